#!/usr/bin/env bash
# The runs whose counts guide an optimised build: both shapes of the
# benchmark's corpora (many units sharing headers; many small elements with
# unique names), read on one thread and on two, as a report and as a
# cross-reference. With KYV_PGO_PROJECTS naming the build folders of real C
# projects (each holding compile_commands.json, as bench/projects.sh makes
# them), kyvscan writes their xob files and kyvld reads those too, with the
# built-in rules and the focused profile: real programs are shaped otherwise
# than the generated corpora (longer units, system headers, many locals),
# and counts from the generated ones alone steer the build towards them.
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

kyvscan=$(dirname "$kyvld")/src/kyvscan/kyvscan
read -r -a projects <<<"${KYV_PGO_PROJECTS:-}"
for project in "${projects[@]}"; do
  name=real-$(basename "$(dirname "$project")")
  "$kyvscan" -p "$project" -o "$work/$name" >/dev/null 2>"$work/stderr" || {
    echo "pgo-train.sh: kyvscan failed on $project" >&2
    cat "$work/stderr" >&2
    exit 1
  }
  for threads in 1 2; do
    run env KYV_THREADS=$threads "$kyvld" "@$work/$name/units.rsp" -KYV=report.xml -SILENT
    run env KYV_THREADS=$threads "$kyvld" "@$work/$name/units.rsp" -KYV=report.xml -SILENT "-RULE=$top/config/focused.xml"
  done
done
