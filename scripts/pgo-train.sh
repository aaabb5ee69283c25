#!/usr/bin/env bash
# The runs whose counts guide an optimised build: both shapes of the
# benchmark's corpora (many units sharing headers; many small elements with
# unique names), read on one thread and on two, as a report and as a
# cross-reference.
#   usage: pgo-train.sh <instrumented kyvld> <work folder>
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kyvld=$(realpath "$1")
rm -rf "$2"
mkdir -p "$2/install/lib/locale"
work=$(realpath "$2")
perl "$top/bench/gen_corpus.pl" "$work/units" 40 >/dev/null
perl "$top/bench/gen_unique.pl" "$work/small" 40 >/dev/null
run() {
  if ! (cd "$work" && env ORVANTADIR="$work/install" "$@" >/dev/null 2>"$work/stderr"); then
    echo "pgo-train.sh: the training run failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
}
for threads in 1 2; do
  for corpus in units small; do
    run env KYV_THREADS=$threads "$kyvld" "$work/$corpus"/*.xob -KYV=report.xml -SILENT
  done
done
run env KYV_THREADS=1 "$kyvld" "$work/units"/*.xob -XREF=xref.pl
