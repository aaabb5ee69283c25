#!/usr/bin/env bash
# Times kyvreport on the review reports of real C projects (bench/projects.sh)
# against xmlwf, a streaming XML parser that only checks well-formedness, on
# the same report, in one run. Each project is scanned (kyvscan -p) and
# linked with the built-in rules (kyvld @units.rsp -KYV=report.xml
# -SILENT=10000), untimed; then, in turn in each round, xmlwf on the report
# and kyvreport writing both outputs (--sarif and --html, default options).
# A second report of the first quarter of the units shows whether
# kyvreport's peak memory follows the report's size. Prints the report's
# size and traps, the CPU time (user + sys, bench/timed.cpp) and peak memory
# of each, medians over --repeat rounds, the median of the rounds' CPU
# ratios kyvreport/xmlwf (target <= 2.0) and kyvreport's peak memory on the
# full report against the quarter one (target: about 1, independent of the
# size). Exits 1 when a command fails; a missed target is shown, not a
# failure. Run it on an otherwise idle machine.
#
# usage: bench/report.sh [--repeat N] [--build DIR] [PROJECT...]
#   PROJECT    names from bench/projects.sh --list (default: lua)
#   --repeat   rounds (default 3)
#   --build    a build tree to time (its kyvscan, kyvld and kyvreport)
#              instead of the optimised build made here (scripts/build.sh --pgo)
set -euo pipefail
export TZ=UTC LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)
repeat=3 build_dir="" names=()
while [ $# -gt 0 ]; do
  case $1 in
    --repeat) repeat=${2:?--repeat needs a count}; shift ;;
    --repeat=*) repeat=${1#--repeat=} ;;
    --build) build_dir=${2:?--build needs a folder}; shift ;;
    --build=*) build_dir=${1#--build=} ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "bench/report.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1") ;;
  esac
  shift
done
[ ${#names[@]} -gt 0 ] || names=(lua)
command -v xmlwf >/dev/null || { echo "bench/report.sh: no xmlwf: bash scripts/setup.sh --bench" >&2; exit 2; }
source "$top/bench/lib.sh"
prepare_projects_and_build
for program in src/kyvscan/kyvscan kyvld src/kyvreport/kyvreport; do
  [ -x "$build_dir/$program" ] || { echo "bench/report.sh: no $program in $build_dir" >&2; exit 2; }
done
run=$top/build/bench-report
mkdir -p "$run"
timer=$run/timed
if [ ! -x "$timer" ] || [ "$top/bench/timed.cpp" -nt "$timer" ]; then
  c++ -std=c++17 -O2 -Wall -o "$timer" "$top/bench/timed.cpp"
fi
export ORVANTADIR=$top/examples/install

# time_one <label> <command...>: appends "cpu peak_kib status" to <label>.times.
time_one() {
  local label=$1 status=0
  shift
  rm -f "$run/time"
  "$timer" "$run/time" "$@" >"$label.stdout" 2>"$label.stderr" || status=$?
  awk -v st="$status" '{ printf "%.4f %d %d\n", $1 + $2, $3, st }' "$run/time" >>"$label.times"
}
median_field() { awk -v f="$2" '{ print $f }' "$1.times" | median_of; }
# pair_median <label A> <label B> <field>: the median of A/B round by round.
pair_median() {
  paste -d ' ' "$1.times" "$2.times" | awk -v f="$3" '$(f + 3) > 0 { print $f / $(f + 3) }' | median_of
}
# make_report <units.rsp> <report>: kyvld with the built-in rules.
make_report() {
  "$build_dir/kyvld" "@$1" "-KYV=$2" -SILENT=10000 >/dev/null ||
    { echo "bench/report.sh: kyvld failed on $1" >&2; exit 1; }
}

failed=0
rows=()
for name in "${names[@]}"; do
  db=$top/build/bench-projects/$name/build
  work=$run/$name
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  "$build_dir/src/kyvscan/kyvscan" -p "$db" -o "$work/xob" >scan.log ||
    { echo "bench/report.sh: kyvscan failed on $name (see ${work#"$top"/}/scan.log)" >&2; exit 1; }
  make_report xob/units.rsp report.xml
  units=$(wc -l <xob/units.rsp)
  head -n $(((units + 3) / 4)) xob/units.rsp >quarter.rsp
  make_report quarter.rsp quarter.xml
  traps=$(grep -c '<XROD:NODE name="KYV_' report.xml || true)
  read_into_cache report.xml quarter.xml
  for ((i = 0; i < repeat; i++)); do
    time_one xmlwf xmlwf report.xml
    time_one kyvreport "$build_dir/src/kyvreport/kyvreport" --sarif out.sarif --html out.html report.xml
    time_one quarter "$build_dir/src/kyvreport/kyvreport" --sarif quarter.sarif --html quarter.html quarter.xml
  done
  verdict=""
  # xmlwf prints a line for a document that is not well-formed, exit 0 all the same.
  [ -s xmlwf.stdout ] && { verdict="$verdict xmlwf: $(head -c 200 xmlwf.stdout);"; failed=1; }
  for label in xmlwf kyvreport quarter; do
    bad=$(awk '$3 != 0 { n++ } END { print n + 0 }' "$label.times")
    if [ "$bad" != 0 ]; then
      verdict="$verdict $label failed in $bad round(s) (see ${work#"$top"/}/$label.stderr);"
      failed=1
    fi
  done
  rows+=("$name $units $(stat -c %s report.xml) $traps $(median_field xmlwf 1) $(median_field kyvreport 1) \
$(pair_median kyvreport xmlwf 1) $(median_field xmlwf 2) $(median_field kyvreport 2) $(stat -c %s quarter.xml) \
$(median_field quarter 2)|$verdict")
  echo "$name: done"
done

echo
echo "$repeat round(s); CPU is user + sys in seconds and peak memory in MiB, medians of the rounds; the"
echo "ratio is the median of the rounds' kyvreport/xmlwf CPU ratios (target <= 2.0). The quarter report"
echo "links the first quarter of the units: kyvreport's peak memory on the full report over the quarter's"
echo "should stay about 1 (target <= 1.5). MB are 10^6 bytes."
printf "%-6s %5s %9s %8s | %7s %9s %6s | %7s %9s | %10s %9s %9s  %s\n" project units "report MB" traps \
  "xmlwf" "kyvreport" ratio "xmlwf" "kyvreport" "quarter MB" "quarter" "mem ratio" notes
for row in "${rows[@]}"; do
  read -r name units bytes traps xc kc ratio xm km qbytes qm <<<"${row%%|*}"
  notes=${row#*|}
  memory_ratio=$(awk -v a="$km" -v b="$qm" 'BEGIN { printf "%.2f", b > 0 ? a / b : 0 }')
  awk -v r="$ratio" 'BEGIN { exit !(r > 2.0) }' && notes="$notes target missed: kyvreport/xmlwf over 2.0;"
  awk -v r="$memory_ratio" 'BEGIN { exit !(r > 1.5) }' && notes="$notes target missed: memory follows the size;"
  [ -n "$notes" ] || notes=" ok"
  printf "%-6s %5s %9.1f %8s | %6.2fs %8.2fs %6.2f | %6.1fM %8.1fM | %10.1f %8.1fM %9s %s\n" \
    "$name" "$units" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$traps" "$xc" "$kc" "$ratio" \
    "$(awk -v k="$xm" 'BEGIN { print k / 1024 }')" "$(awk -v k="$km" 'BEGIN { print k / 1024 }')" \
    "$(awk -v b="$qbytes" 'BEGIN { print b / 1e6 }')" "$(awk -v k="$qm" 'BEGIN { print k / 1024 }')" \
    "$memory_ratio" "$notes"
done
exit $failed
