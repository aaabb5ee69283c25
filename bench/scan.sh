#!/usr/bin/env bash
# Times kyvscan on real C projects (bench/projects.sh) against clang's own
# parsing of the same units, with the same number of jobs, in one run:
#   clang     `clang -fsyntax-only` on every C unit of the database with the
#             unit's own flags (output flags dropped), N at a time (xargs -P);
#   kyvscan   `kyvscan -p` into a fresh output folder (nothing cached);
#   cached    `kyvscan -p` again into the same folder (every unit cached).
# Prints wall and CPU time (user + sys of the command and all its children,
# bench/timed.cpp) of each, medians over --repeat rounds run in turn (the
# three commands one after the other in each round, so that a drift of the
# machine's speed between rounds does not become a ratio), and the medians of
# the rounds' ratios kyvscan/clang (target <= 1.0: a front end should not be
# slower than the compiler's parsing it is built on) and cached/first (target
# < 0.05: an unchanged project parses nothing), with the units, the xob files'
# MB and kyvscan's own count of units written, cached and failed. Exits 1
# when a command fails or the cached run parses a unit; missing a target is
# shown, not a failure. Run it on an otherwise idle machine.
#
# usage: bench/scan.sh [--repeat N] [-j N] [--build DIR] [PROJECT...]
#   PROJECT    names from bench/projects.sh --list (default: all)
#   --repeat   rounds (default 3)
#   -j         jobs of clang and of kyvscan (default 2)
#   --build    a build tree to time (its kyvscan and kyvld) instead of the
#              optimised build made here (scripts/build.sh --pgo)
set -euo pipefail
export TZ=UTC LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)
repeat=3 jobs=2 build_dir="" names=()
while [ $# -gt 0 ]; do
  case $1 in
    --repeat) repeat=${2:?--repeat needs a count}; shift ;;
    --repeat=*) repeat=${1#--repeat=} ;;
    -j) jobs=${2:?-j needs a count}; shift ;;
    -j*) jobs=${1#-j} ;;
    --build) build_dir=${2:?--build needs a folder}; shift ;;
    --build=*) build_dir=${1#--build=} ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "bench/scan.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1") ;;
  esac
  shift
done
source "$top/bench/lib.sh"
prepare_projects_and_build
kyvscan=$build_dir/src/kyvscan/kyvscan
[ -x "$kyvscan" ] || { echo "bench/scan.sh: no kyvscan in $build_dir" >&2; exit 2; }
run=$top/build/bench-scan
mkdir -p "$run"
# CPU time to the microsecond, of the command and its children.
timer=$run/timed
if [ ! -x "$timer" ] || [ "$top/bench/timed.cpp" -nt "$timer" ]; then
  c++ -std=c++17 -O2 -Wall -o "$timer" "$top/bench/timed.cpp"
fi

# time_one <label> <command...>: appends "wall cpu status" to <label>.times,
# its standard output and error in <label>.stdout and .stderr.
time_one() {
  local label=$1 start end status=0
  shift
  rm -f "$run/time"  # a timer that fails leaves no figures of an earlier run
  start=$EPOCHREALTIME
  "$timer" "$run/time" "$@" >"$label.stdout" 2>"$label.stderr" || status=$?
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v st="$status" '{ printf "%.4f %.4f %d\n", e - s, $1 + $2, st }' \
    "$run/time" >>"$label.times"
}
median_field() { awk -v f="$2" '{ print $f }' "$1.times" | median_of; }
# pair_median <label A> <label B> <field>: the median of A/B round by round.
pair_median() {
  paste -d ' ' "$1.times" "$2.times" | awk -v f="$3" '$(f + 3) > 0 { print $f / $(f + 3) }' | median_of
}
# The summary kyvscan prints: "kyvscan: N units: W written, C from the cache, ..., F failed; ...".
summary_counts() {
  sed -n 's/^kyvscan: \([0-9]*\) units\{0,1\}: \([0-9]*\) written, \([0-9]*\) from the cache, \([0-9]*\) skipped (not C), \([0-9]*\) failed.*/\1 \2 \3 \4 \5/p' "$1" | tail -n 1
}

failed=0
rows=()
notes=()
for name in "${names[@]}"; do
  db=$top/build/bench-projects/$name/build
  work=$run/$name
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  python3 "$top/bench/compile_db.py" commands "$db" >clang.commands
  units=$(python3 "$top/bench/compile_db.py" count "$db")
  # The sources and headers in the page cache before the first round.
  find "$top/build/bench-projects/$name/src" /usr/include /usr/lib/llvm-14/lib/clang -type f -print0 |
    xargs -0 cat >/dev/null 2>&1 || true
  for ((i = 0; i < repeat; i++)); do
    time_one clang xargs -0 -P "$jobs" -n 1 sh -c <clang.commands
    rm -rf out
    time_one first "$kyvscan" -p "$db" -j "$jobs" -o "$work/out"
    [ "$i" = 0 ] && cp first.stdout first-round.stdout
    time_one cached "$kyvscan" -p "$db" -j "$jobs" -o "$work/out"
  done
  bytes=$(find out -name '*.xob' -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f\n", s }')
  read -r _ written _ skipped unit_failures <<<"$(summary_counts first-round.stdout)"
  read -r _ parsed_again from_cache _ _ <<<"$(summary_counts cached.stdout)"
  verdict=""
  for label in clang first cached; do
    # kyvscan exits 1 when a unit failed, 2 when it could not run; xargs 123 when a clang did.
    bad=$(awk '$3 != 0 { n++ } END { print n + 0 }' "$label.times")
    if [ "$bad" != 0 ]; then
      verdict="$verdict $label failed in $bad round(s) (see ${work#"$top"/}/$label.stderr);"
      failed=1
    fi
  done
  if [ "${parsed_again:-x}" != 0 ]; then
    verdict="$verdict cached run parsed ${parsed_again:-?} unit(s);"
    failed=1
  fi
  rows+=("$name $units ${written:--} ${from_cache:--} ${skipped:--} ${unit_failures:--} $bytes \
$(median_field clang 1) $(median_field clang 2) $(median_field first 1) $(median_field first 2) \
$(median_field cached 1) $(median_field cached 2) $(pair_median first clang 1) $(pair_median first clang 2) \
$(pair_median cached first 1)|$verdict")
  # One row per project as it finishes: a full run takes minutes.
  echo "$name: done"
done

echo
echo "$repeat round(s), $jobs jobs; times in seconds are medians of the rounds, CPU is user + sys of the"
echo "command and its children; ratios are medians of the rounds' ratios (kyvscan/clang target <= 1.0,"
echo "cached/first target < 0.05). units: C units of the database; written, cached, skipped and failed are"
echo "kyvscan's own counts (first run; cached run: units taken from the cache); MB are 10^6 bytes of xob files."
printf "%-6s %5s %7s %6s %7s %6s %6s | %7s %7s | %7s %7s | %7s %7s | %11s %10s | %12s  %s\n" \
  project units written cached skipped failed "xob MB" "clang" "cpu" "kyvscan" "cpu" "cached" "cpu" \
  "scan/clang" "cpu ratio" "cached/first" notes
for row in "${rows[@]}"; do
  read -r name units written cached skipped unit_failures bytes cw cc fw fc kw kc rw rc kr <<<"${row%%|*}"
  notes=${row#*|}
  awk -v r="$rw" 'BEGIN { exit !(r > 1.0) }' && notes="$notes target missed: scan/clang over 1.0;"
  awk -v r="$kr" 'BEGIN { exit !(r >= 0.05) }' && notes="$notes target missed: cached/first not under 0.05;"
  [ -n "$notes" ] || notes=" ok"
  printf "%-6s %5s %7s %6s %7s %6s %6.1f | %6.2fs %6.2fs | %6.2fs %6.2fs | %6.3fs %6.3fs | %11.3f %10.3f | %12.4f %s\n" \
    "$name" "$units" "$written" "$cached" "$skipped" "$unit_failures" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" \
    "$cw" "$cc" "$fw" "$fc" "$kw" "$kc" "$rw" "$rc" "$kr" "$notes"
done
exit $failed
