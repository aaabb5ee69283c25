#!/usr/bin/env bash
# Benchmarks the reading threads: wall time of a full run (report written)
# with KYV_THREADS=1, 2 and the default (one per core) against xmlwf on the
# same files, run in turn so that all meet the same machine state; the
# medians count, and each ratio is the median of the rounds' ratios. Prints
# the speed-up from 1 to 2 threads and, from the CPU time of each thread of a
# 2-thread run (read from /proc while it runs), the serial part (the thread
# that replays into the model, then links and writes) and the parallel part
# (the workers that scan and parse), with the wall time they allow on 8 and
# 32 cores: the larger of the serial part and the parallel part shared by
# the workers. Also the peak RSS against the input, and a check that every
# thread count writes the same bytes. Run it on an otherwise idle machine.
#
# usage: bench/threads.sh [--repeat N] [CORPUS...]
#   CORPUS   bench-uN (gen_corpus.pl N units) or small-uN (gen_unique.pl N);
#            default bench-u700 small-u400
#   --repeat runs of each command (default 5)
set -euo pipefail
export TZ=UTC LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)
repeat=5 names=()
while [ $# -gt 0 ]; do
  case $1 in
    --repeat) repeat=${2:?--repeat needs a count}; shift ;;
    --repeat=*) repeat=${1#--repeat=} ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    bench-u[0-9]*|small-u[0-9]*) names+=("$1") ;;
    *) echo "bench/threads.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
[ ${#names[@]} -gt 0 ] || names=(bench-u700 small-u400)

source "$top/bench/lib.sh"
bash "$top/scripts/setup.sh" --bench
build_optimised
kyvld=$top/build/bench/kyvld
corpora=$top/build/bench-corpora
run=$top/build/bench-threads
mkdir -p "$corpora" "$run/install/lib/locale"
cd "$run"
cores=$(nproc)
counts=(1 2)
[ "$cores" -gt 2 ] && counts+=("$cores")

# time_once <label> <command...>: appends "wall cpu peak_kib" to <label>.times.
# The wall time is read to the microsecond (time's own has hundredths, too
# coarse for the ratios of sub-second runs).
time_once() {
  local label=$1 start end
  shift
  start=$EPOCHREALTIME
  /usr/bin/time -f "%e %U %S %M" -o time "$@" >"$label.stdout" 2>"$label.stderr" || true
  end=$EPOCHREALTIME
  tail -n 1 time | awk -v s="$start" -v e="$end" '{ printf "%.4f %.2f %d\n", e - s, $2 + $3, $4 }' >>"$label.times"
}

median() {  # median <label> <field 1-3>
  awk -v f="$2" '{ print $f }' "$1.times" | median_of
}

# pair_median <label A> <label B>: the median of A's wall time over B's,
# round by round. The commands of a round run one after the other, so a
# drift of the machine's speed between rounds does not become the ratio.
pair_median() {
  paste -d ' ' "$1.times" "$2.times" | awk '$4 > 0 { print $1 / $4 }' | median_of
}

# thread_seconds <command...>: runs it with 2 reading threads and prints the
# CPU seconds of its main thread and of all its other threads, from the last
# reading of /proc/<pid>/task/*/stat (every 20 ms) before each thread ended.
thread_seconds() {
  env KYV_THREADS=2 "$@" >/dev/null 2>&1 &
  local pid=$! ticks
  ticks=$(getconf CLK_TCK)
  declare -A last=()
  while kill -0 "$pid" 2>/dev/null; do
    local stat tid line fields
    for stat in /proc/"$pid"/task/*/stat; do
      # No process started per reading: the run is being timed.
      read -r line <"$stat" 2>/dev/null || continue
      fields=(${line##*) })
      tid=${stat%/stat}
      tid=${tid##*/}
      # utime and stime: fields 14 and 15 of stat, 12 and 13 after the name.
      last[$tid]=$((fields[11] + fields[12]))
    done
    sleep 0.02
  done
  wait "$pid" || true
  local main=0 others=0
  for tid in "${!last[@]}"; do
    if [ "$tid" = "$pid" ]; then main=${last[$tid]}; else others=$((others + last[$tid])); fi
  done
  awk -v m="$main" -v o="$others" -v t="$ticks" 'BEGIN { printf "%.2f %.2f\n", m / t, o / t }'
}

failed=0
rows=()
for name in "${names[@]}"; do
  case $name in
    bench-u*) ensure_corpus "$name" gen_corpus.pl "${name#bench-u}" ;;
    small-u*) ensure_corpus "$name" gen_unique.pl "${name#small-u}" ;;
  esac
  files=("$corpora/$name"/*.xob)
  bytes=$(cat "$corpora/$name/.bytes")
  rm -f ./*.times
  for ((i = 0; i < repeat; i++)); do
    read_into_cache "${files[@]}"
    time_once xmlwf xmlwf "${files[@]}"
    for threads in "${counts[@]}"; do
      read_into_cache "${files[@]}"
      time_once "t$threads" env ORVANTADIR="$run/install" KYV_THREADS="$threads" \
        "$kyvld" "${files[@]}" -KYV="report.xml" -SILENT
      sed -i '/Generation time/{n;s|>[^<]*<|>@TIME@<|}' report.xml
      mv report.xml "t$threads.report"
    done
  done
  verdict=identical
  for threads in "${counts[@]:1}"; do
    for part in report stdout stderr; do
      cmp -s "t1.$part" "t$threads.$part" || { verdict="DIFFERENT: $part with $threads threads"; failed=1; }
    done
  done
  read_into_cache "${files[@]}"
  read -r serial parallel < <(thread_seconds env ORVANTADIR="$run/install" "$kyvld" "${files[@]}" -KYV=report.xml -SILENT)
  x=$(median xmlwf 1) w1=$(median t1 1) w2=$(median t2 1) wn=$(median "t$cores" 1)
  c1=$(median t1 2) c2=$(median t2 2) rss=$(median "t$cores" 3)
  vs_x=$(pair_median "t$cores" xmlwf) speedup=$(pair_median t1 t2)
  rows+=("$(awk -v n="$name" -v b="$bytes" -v x="$x" -v w1="$w1" -v w2="$w2" -v wn="$wn" -v c1="$c1" \
      -v c2="$c2" -v r="$rss" -v s="$serial" -v p="$parallel" -v vx="$vs_x" -v up="$speedup" 'BEGIN {
    w8 = (s > p / 7) ? s : p / 7; w32 = (s > p / 31) ? s : p / 31
    printf "%-11s %7.1f %7.2f %7.2f %7.2f %7.2f %6.2f %6.2f %6.2f %6.2f %6.2f %6.2f %6.2f %6.2f", n, b / 1e6, x, w1, w2, wn,
      vx, up, s, p, w8, w32, c2 / c1, r * 1024 / b
  }') $verdict")
done

echo
echo "Medians of $repeat runs on $cores cores; wall seconds. default = KYV_THREADS unset ($cores threads)."
echo "vs-x: default wall / xmlwf wall; 1->2: wall speed-up from 1 to 2 threads (both the median of"
echo "the rounds' ratios, each round running xmlwf and every thread count in turn); serial, parallel: CPU"
echo "seconds of the model's thread and of the workers in a 2-thread run; 8c, 32c: the wall seconds"
echo "they allow on 8 and 32 cores; CPU2/1: CPU time with 2 threads / with 1; RSS/in: peak RSS of the"
echo "default run / input bytes."
printf "%-11s %7s %7s %7s %7s %7s %6s %6s %6s %6s %6s %6s %6s %6s %s\n" corpus MB xmlwf 1thr 2thr default \
  "vs-x" "1->2" serial para 8c 32c "CPU2/1" "RSS/in" outputs
for row in "${rows[@]}"; do echo "$row"; done
exit $failed
