#!/usr/bin/env bash
# Measures kyvld against peers on one generated corpus, in one run:
#   xmlwf and xmllint --stream (streaming XML parsers that only check
#   well-formedness) and wc -l (the cost of reading the bytes).
# Prints seconds, peak memory and ratios against each peer.
#
# usage: bench/run.sh [units]   (700 units make about 200 MB)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
units=${1:-700}
bash "$top/scripts/setup.sh" --bench
bash "$top/scripts/build.sh" "$top/build/bench" -DCMAKE_BUILD_TYPE=Release -DKYV_TESTS=OFF >/dev/null
corpus="$top/build/bench-corpus-$units"
if [ ! -d "$corpus" ]; then
  perl "$top/bench/gen_corpus.pl" "$corpus.tmp" "$units"
  mv "$corpus.tmp" "$corpus"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/install/lib/locale"
files=("$corpus"/*.xob)
bytes=$(cat "${files[@]}" | wc -c)
echo "corpus: ${#files[@]} files, $((bytes / 1048576)) MiB"

measure() {  # measure <label> <command...>: prints "label seconds peak_kib"
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || true
  read -r seconds peak <"$work/time"
  echo "$label $seconds $peak"
}

{
  measure kyvld env ORVANTADIR="$work/install" "$top/build/bench/kyvld" "${files[@]}" -KYV="$work/report.xml" -SILENT
  measure xmlwf xmlwf "${files[@]}"
  measure xmllint xmllint --stream --noout "${files[@]}"
  measure wc wc -l "${files[@]}"
} >"$work/results"

awk '
  { name[NR] = $1; secs[NR] = $2; mem[NR] = $3 }
  END {
    printf "%-8s %9s %12s\n", "program", "seconds", "peak MiB"
    for (i = 1; i <= NR; i++) printf "%-8s %9.2f %12.1f\n", name[i], secs[i], mem[i] / 1024
    for (i = 2; i <= NR; i++) {
      ratio = secs[i] > 0 ? secs[1] / secs[i] : 0
      printf "kyvld / %-8s time x%.2f  memory x%.2f\n", name[i], ratio, mem[1] / (mem[i] > 0 ? mem[i] : 1)
    }
  }' "$work/results"
