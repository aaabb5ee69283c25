#!/usr/bin/env bash
# Benchmarks kyvld on generated corpora, in one run per corpus:
#   - CPU time (user + sys) of a full run (report written, one reading
#     thread) against xmlwf and xmllint --stream (streaming XML parsers that
#     only check well-formedness) and wc -l (the cost of reading the bytes)
#     on the same files;
#   - CPU per MB at each size of a family, relative to its smallest size;
#   - peak RSS against the input bytes;
#   - every timed command finding its files in the page cache, as a build
#     finds the files it has just written; its memory as a user's run meets
#     it (with --warm, as much memory as the corpus's bytes is written and
#     given back before each run: bench/timed.cpp says what that hides);
#   - the outputs (report with its generation time masked, cross-reference,
#     standard output and error, exit status) byte for byte against those of
#     the reference release named in bench/reference-commit.
# Exits non-zero when an output differs or a corpus does not read cleanly.
#
# Families: bench (gen_corpus.pl), small (many small elements, unique names),
# reuse (bench shape reusing names: about 8 times the traps), token (one long
# token per file), externs (declarations never defined), static (units sharing
# a system header that defines a static function); and the real C programs of
# bench/projects.sh (lua, zstd, make), whose xob files kyvscan writes: each
# at its own size with the built-in rules ("default") and the focused profile
# ("focused"), and focused again scaled by renamed copies (gen_real.pl) to
# about 1 GB (8 copies with --quick). The optimised build trains on them too.
#
# usage: bench/run.sh [--quick] [--only NAME[,NAME...]] [--repeat N] [--warm] [units]
#   units      units of the bench and reuse corpora at 1x (default 700, about 200 MB)
#   --quick    small sizes, for a check in a few minutes
#   --warm     memory written and given back before each timed run (untimed)
#   --only     families or corpus names (as the table prints them) to run
#   --repeat   runs of each timed command; the least CPU time counts, and
#              kyvld and xmlwf run in turn, the ratio being the median of
#              the pairs' ratios (the machine's speed may drift between runs).
#              xmllint and wc, shown for comparison only, run once, xmllint
#              stopped after 2 minutes (it takes a quarter of an hour on a
#              16 MB token, longer than all the rest of that family). The
#              reference release runs once too: its time is only shown, and
#              kept with its outputs (it is quadratic on the adversarial
#              corpora, minutes a run)
set -euo pipefail
export TZ=UTC LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)

quick=0 only="" repeat=1 units="" warm=0
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=1 ;;
    --only) only=${2:?--only needs a name}; shift ;;
    --only=*) only=${1#--only=} ;;
    --repeat) repeat=${2:?--repeat needs a count}; shift ;;
    --repeat=*) repeat=${1#--repeat=} ;;
    --warm) warm=1 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    [0-9]*) units=$1 ;;
    *) echo "bench/run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

# The plan: family, size label, corpus name, generator and its arguments.
plan=()
add() { plan+=("$*"); }
if [ "$quick" = 1 ]; then
  base=${units:-25} small=50 tokens="1 4" externs="62500 250000" statics="250 1000"
else
  base=${units:-700} small=400 tokens="1 4 16" externs="250000 1000000" statics="250 1000 4000"
fi
for m in 1 4 16; do add bench "${m}x" "bench-u$((base * m))" gen_corpus.pl $((base * m)); done
for m in 1 4 16; do add small "${m}x" "small-u$((small * m))" gen_unique.pl $((small * m)); done
for m in 1 4 16; do add reuse "${m}x" "reuse-u$((base * m))" gen_corpus.pl --reuse 7 $((base * m)); done
for mb in $tokens; do add token "${mb}MB" "token-${mb}m" gen_adversarial.pl token $((mb * 1048576)); done
for n in $externs; do add externs "$n" "externs-$n" gen_adversarial.pl externs "$n"; done
for n in $statics; do add static "$n" "static-$n" gen_adversarial.pl static "$n"; done


mkdir -p "$top/build"
source "$top/bench/lib.sh"
bash "$top/scripts/setup.sh" --bench
# The real projects measured (the optimised build trains on all of them).
mapfile -t real_projects < <(bash "$top/bench/projects.sh" --list)
if [ -n "$only" ]; then
  wanted=()
  for project in "${real_projects[@]}"; do
    case ",$only," in *",$project,"* | *",$project-"*) wanted+=("$project") ;; esac
  done
  real_projects=("${wanted[@]}")
fi
build_optimised
new_bin=$top/build/bench/kyvld
# CPU time to the microsecond: /usr/bin/time rounds to hundredths.
timer=$top/build/bench/timed
if [ ! -x "$timer" ] || [ "$top/bench/timed.cpp" -nt "$timer" ]; then
  c++ -std=c++17 -O2 -Wall -o "$timer" "$top/bench/timed.cpp"
fi

# The reference release, built once from its commit and kept.
ref_commit=$(tr -d ' \n' <"$top/bench/reference-commit")
ref_dir=$top/build/bench-ref
ref_bin=$ref_dir/build/kyvld
if [ "$(cat "$ref_dir/commit" 2>/dev/null)" != "$ref_commit" ] || [ ! -x "$ref_bin" ]; then
  echo "building the reference release ${ref_commit:0:7}"
  rm -rf "$ref_dir"
  mkdir -p "$ref_dir/src"
  git -C "$top" archive "$ref_commit" | tar -x -C "$ref_dir/src"
  build "$ref_dir/src" "$ref_dir/build"
  echo "$ref_commit" >"$ref_dir/commit"
fi

corpora=$top/build/bench-corpora   # one folder per corpus, kept between runs
# The real projects' xob files, written by this build's kyvscan (its cache
# keeps a second run short); a corpus is made again when they change.
scans=$top/build/bench-scans
mkdir -p "$scans"
for project in "${real_projects[@]}"; do
  if ! "$top/build/bench/src/kyvscan/kyvscan" -p "$top/build/bench-projects/$project/build" \
      -o "$scans/$project" >"$scans-$project.log" 2>&1; then
    cat "$scans-$project.log" >&2
    exit 1
  fi
  sum=$(cat "$scans/$project"/*.xob | sha1sum | cut -c1-12)
  bytes=$(cat "$scans/$project"/*.xob | wc -c)
  if [ "$quick" = 1 ]; then copies=8; else copies=$(((1000000000 + bytes / 2) / bytes)); fi
  add "$project" 1x "$project-real" gen_real.pl --from "$scans/$project" --sum "$sum" 1
  add "$project" "${copies}x" "$project-c$copies" gen_real.pl --from "$scans/$project" --sum "$sum" "$copies"
done
if [ -n "$only" ]; then
  selected=()
  for entry in "${plan[@]}"; do
    read -r family _ name _ <<<"$entry"
    case ",$only," in *",$family,"* | *",$name,"*) selected+=("$entry") ;; esac
  done
  if [ ${#selected[@]} -eq 0 ]; then
    echo "bench/run.sh: --only $only matches nothing; names are:" >&2
    for entry in "${plan[@]}"; do read -r family _ name _ <<<"$entry"; echo "  $family $name" >&2; done
    exit 2
  fi
  plan=("${selected[@]}")
fi
ref_out=$top/build/bench-ref-out   # the reference's outputs and figures per corpus
run=$top/build/bench-run           # the working folder of every run
mkdir -p "$corpora" "$ref_out" "$run/install/lib/locale"
cd "$run"

# The files of the corpus being measured, read into the cache before each
# timed run, and the bytes of memory written and given back before it.
warm_files=() warm_bytes=0
# measure_pair's optional first command of each round, its files, and how
# many times their bytes A's are.
pair_base=() base_files=() base_scale=1

# time_run <output prefix> <command...>: runs it once, its corpus read into
# the cache first, with its standard output and error in <prefix>.stdout and
# .stderr; prints "cpu_seconds peak_kib exit_status user_seconds".
time_run() {
  local prefix=$1 status=0
  shift
  read_into_cache "${warm_files[@]}"
  rm -f "$run/time"  # a timer that fails leaves no figures of an earlier run
  "$timer" --warm "$warm_bytes" "$run/time" "$@" >"$prefix.stdout" 2>"$prefix.stderr" || status=$?
  awk -v s="$status" '{ printf "%.6f %d %d %.6f\n", $1 + $2, $3, s, $1 }' "$run/time"
}

seconds() { printf '%.3fs' "$1"; }
peer_seconds=120  # the wall time a comparison-only peer may take

less_cpu() { awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { exit !(a < b) }'; }

# measure <output prefix> <command...>: runs it --repeat times with its
# standard output and error in <prefix>.stdout and .stderr; prints
# "cpu_seconds peak_kib exit_status user_seconds" of the run with the least
# CPU time.
measure() {
  local prefix=$1 best="" i figures
  shift
  for ((i = 0; i < repeat; i++)); do
    figures=$(time_run "$prefix" "$@")
    if [ -z "$best" ] || less_cpu "$figures" "$best"; then best=$figures; fi
  done
  echo "$best"
}

# measure_pair <prefix A> <prefix B>: like measure for the commands in the
# arrays pair_a and pair_b, run in turn; prints A's figures, B's least CPU
# time and the median of the ratios A/B of the runs made one after the other.
# With the array pair_base set (kyvld on the family's first size, whose
# bytes A's are base_scale times), each round runs it first, and two more
# medians follow: A's CPU per MB over the base's in the same round, and the
# same of user time (the machine's speed drifts in minutes, more than these
# ratios measure).
measure_pair() {
  local prefix_a=$1 prefix_b=$2 i a b base best_a="" best_b="" ratios=() per_mb_ratios=()
  local cpu_a user_a cpu_base user_base
  local files_a=("${warm_files[@]}")
  for ((i = 0; i < repeat; i++)); do
    if [ ${#pair_base[@]} -gt 0 ]; then
      warm_files=("${base_files[@]}")
      base=$(time_run "$run/base" "${pair_base[@]}")
      warm_files=("${files_a[@]}")
    fi
    a=$(time_run "$prefix_a" "${pair_a[@]}")
    b=$(time_run "$prefix_b" "${pair_b[@]}")
    if [ -z "$best_a" ] || less_cpu "$a" "$best_a"; then best_a=$a; fi
    if [ -z "$best_b" ] || less_cpu "$b" "$best_b"; then best_b=$b; fi
    ratios+=("$(awk -v x="${a%% *}" -v y="${b%% *}" 'BEGIN { print (y > 0) ? x / y : "-" }')")
    if [ ${#pair_base[@]} -gt 0 ]; then
      read -r cpu_a _ _ user_a <<<"$a"
      read -r cpu_base _ _ user_base <<<"$base"
      # CPU per MB over the base's, then the same of user time.
      per_mb_ratios+=("$(awk -v c="$cpu_a" -v cb="$cpu_base" -v u="$user_a" -v ub="$user_base" -v s="$base_scale" '
        function per_mb(x, y) { return (y > 0) ? x / y / s : "-" }
        BEGIN { print per_mb(c, cb), per_mb(u, ub) }')")
    fi
  done
  local paired="- -"
  if [ ${#per_mb_ratios[@]} -gt 0 ]; then
    paired="$(printf '%s\n' "${per_mb_ratios[@]}" | cut -d' ' -f1 | median_of)"
    paired="$paired $(printf '%s\n' "${per_mb_ratios[@]}" | cut -d' ' -f2 | median_of)"
  fi
  echo "$best_a ${best_b%% *} $(printf '%s\n' "${ratios[@]}" | median_of) $paired"
}

mask_time() {  # the report's generation time is the only line that may change
  sed -i '/Generation time/{n;s|>[^<]*<|>@TIME@<|}' "$1"
}

differences=()
same_bytes() {  # same_bytes <label> <reference .gz> <new file>: notes a difference
  local message
  if message=$(cmp <(gzip -dc "$2") "$3" 2>&1); then return 0; fi
  case $message in
    *"EOF on $3 which is empty"*) message="new one is empty" ;;
    *"EOF on $3"*) message="new one is shorter: it ends ${message##*on $3 }" ;;
    *"which is empty"*) message="new one is longer: the reference is empty" ;;
    *EOF*) message="new one is longer: the reference ends after ${message##*after }" ;;
    *differ:*) message="first difference at ${message##*differ: }" ;;
  esac
  differences+=("$1: $message")
}

traps_in() {  # errors + warnings of the report's summary
  awk '/>Number of errors</ { getline; gsub(/[^0-9]/, ""); e = $0 }
       />Number of warnings</ { getline; gsub(/[^0-9]/, ""); print e + $0; found = 1; exit }
       END { if (!found) print "-" }' "$1"
}

rows=()    # family size name MB traps kyvld_cpu xmlwf_cpu ratio cpu_per_mb_vs_1x user_per_mb_vs_1x rss_ratio ref_cpu outputs
failed=0
notes=()
declare -A base_cpu_per_mb  # CPU per MB of each family's first size, by family and mode
declare -A base_user_per_mb  # the same of user time alone
declare -A first_corpus      # each family's first size, timed beside its larger ones
declare -A over_cache        # families noted for a peak larger than the last-level cache
l3_bytes=$(getconf LEVEL3_CACHE_SIZE 2>/dev/null || echo 0)
case $l3_bytes in '' | *[!0-9]*) l3_bytes=0 ;; esac

# The arguments of a mode: "report" (-KYV, built-in rules), "focused" (the
# same with the focused profile) or "xref" (-XREF).
mode_args() {
  case $1 in
    report) echo -KYV=report.xml -SILENT ;;
    focused) echo -KYV=report.xml -SILENT "-RULE=$top/config/focused.xml" ;;
    xref) echo -XREF=xref.pl ;;
  esac
}

# bench_one <family> <size> <name> <mode>: mode as mode_args takes it.
bench_one() {
  local family=$1 size=$2 name=$3 mode=$4
  local files=("../bench-corpora/$name"/*.xob)
  warm_files=("${files[@]}")
  local bytes output args
  bytes=$(cat "$corpora/$name/.bytes")
  # The corpus's bytes of memory, 256 MiB at least (above a small corpus's peak).
  warm_bytes=0
  [ "$warm" = 1 ] && warm_bytes=$(awk -v b="$bytes" 'BEGIN { m = 256 * 1048576; printf "%.0f", (b > m) ? b : m }')
  read -r -a args < <(mode_args "$mode")
  if [ "$mode" = xref ]; then output=xref.pl; else output=report.xml; fi
  # One reading thread: the CPU a run costs (bench/threads.sh times the threads).
  local kyvld=(env "ORVANTADIR=$run/install" KYV_THREADS=1)

  local cache=$ref_out/$name-$mode stamp
  stamp="$ref_commit $(cat "$corpora/$name/.stamp") $mode"
  if [ ! -f "$cache/stamp" ] || [ "$(cat "$cache/stamp")" != "$stamp" ]; then
    echo "running the reference on $name ($mode)"
    rm -rf "$cache" && mkdir -p "$cache"
    rm -f "$output"
    read -r ref_cpu ref_rss ref_status _ < <(time_run "$run/ref" "${kyvld[@]}" "$ref_bin" "${files[@]}" "${args[@]}")
    [ -f "$output" ] || : >"$output"
    [ "$mode" != xref ] && mask_time "$output"
    gzip -1 -c "$output" >"$cache/output.gz"
    gzip -1 -c "$run/ref.stdout" >"$cache/stdout.gz"
    gzip -1 -c "$run/ref.stderr" >"$cache/stderr.gz"
    echo "$ref_status" >"$cache/status"
    echo "$ref_cpu $ref_rss" >"$cache/figures"
    echo "$stamp" >"$cache/stamp"
  fi
  local ref_cpu ref_rss
  read -r ref_cpu ref_rss <"$cache/figures"

  rm -f "$output"
  local cpu rss status user xmlwf_cpu=- pair_ratio=- paired_per_mb=- paired_user_per_mb=-
  if [ "$mode" != xref ]; then
    pair_a=("${kyvld[@]}" "$new_bin" "${files[@]}" "${args[@]}")
    pair_b=(xmlwf "${files[@]}")
    pair_base=() base_files=()
    local first=${first_corpus[$family-$mode]:-}
    if [ -n "$first" ] && [ "$first" != "$name" ]; then
      base_files=("../bench-corpora/$first"/*.xob)
      pair_base=("${kyvld[@]}" "$new_bin" "${base_files[@]}" "${args[@]/report.xml/base.xml}")
      base_scale=$(awk -v a="$bytes" -v b="$(cat "$corpora/$first/.bytes")" 'BEGIN { print a / b }')
    fi
    read -r cpu rss status user xmlwf_cpu pair_ratio paired_per_mb paired_user_per_mb < <(measure_pair "$run/new" "$run/xmlwf")
    rm -f base.xml
  else
    read -r cpu rss status user < <(measure "$run/new" "${kyvld[@]}" "$new_bin" "${files[@]}" "${args[@]}")
  fi
  [ -f "$output" ] || : >"$output"
  local traps=-
  [ "$mode" != xref ] && { mask_time "$output"; traps=$(traps_in "$output"); }

  differences=()
  [ "$status" = "$(cat "$cache/status")" ] || differences+=("exit status $status, reference $(cat "$cache/status")")
  same_bytes "$output" "$cache/output.gz" "$output"
  same_bytes "standard output" "$cache/stdout.gz" "$run/new.stdout"
  same_bytes "standard error" "$cache/stderr.gz" "$run/new.stderr"
  local verdict=identical
  if [ ${#differences[@]} -gt 0 ]; then
    verdict="DIFFERENT: ${differences[0]}"
    local more
    for more in "${differences[@]:1}"; do verdict="$verdict; $more"; done
    failed=1
  fi
  local syntax_errors
  syntax_errors=$(grep -c '^error in xob file' "$run/new.stdout" || true)
  if [ "$syntax_errors" != 0 ]; then verdict="$verdict; $syntax_errors SYNTAX ERRORS"; failed=1; fi

  if [ "$mode" != xref ]; then
    local xmllint_cpu xmllint_status wc_cpu
    if [ -s "$run/xmlwf.stdout" ]; then verdict="$verdict; xmlwf: $(head -n 1 "$run/xmlwf.stdout")"; failed=1; fi
    read -r xmllint_cpu _ xmllint_status _ < <(time_run "$run/xmllint" \
      timeout "$peer_seconds" xmllint --stream --noout --huge "${files[@]}")
    xmllint_cpu=$(seconds "$xmllint_cpu")
    [ "$xmllint_status" = 124 ] && xmllint_cpu="stopped after ${peer_seconds}s"
    read -r wc_cpu _ _ < <(time_run "$run/wc" wc -l "${files[@]}")
  fi
  # Outputs that differ are kept for a look; equal ones go, as they can be GBs.
  local kept=$run/different-$name-$mode
  rm -rf "$kept"
  if [ "$verdict" = identical ]; then
    rm -f "$output" "$run/new.stdout" "$run/new.stderr"
  else
    mkdir -p "$kept" && mv "$output" "$run/new.stdout" "$run/new.stderr" "$kept/"
    verdict="$verdict (kept in ${kept#"$top"/})"
  fi

  local label=$size
  [ "$mode" != report ] && label="$size-$mode"
  local line
  line=$(awk -v f="$family" -v s="$label" -v n="$name" -v b="$bytes" -v t="$traps" -v k="$cpu" -v x="$xmlwf_cpu" \
      -v r="$rss" -v rc="$ref_cpu" -v base="${base_cpu_per_mb[$family-$mode]:-}" -v pr="$pair_ratio" \
      -v u="$user" -v ubase="${base_user_per_mb[$family-$mode]:-}" -v pp="$paired_per_mb" \
      -v pu="$paired_user_per_mb" 'BEGIN {
    mb = b / 1000000
    ratio = (pr != "-") ? sprintf("%.3f", pr) : "-"
    if (x != "-") x = sprintf("%.2f", x)
    per_mb = k / mb
    vs = (base != "" && base > 0) ? sprintf("%.3f", per_mb / base) : (base == "" ? "1.000" : "-")
    if (pp != "-") vs = sprintf("%.3f", pp)
    user_per_mb = u / mb
    uvs = (ubase != "" && ubase > 0) ? sprintf("%.3f", user_per_mb / ubase) : (ubase == "" ? "1.000" : "-")
    if (pu != "-") uvs = sprintf("%.3f", pu)
    printf "%s %s %s %.1f %s %.2f %s %s %s %s %.2f %.2f %.6f %.6f\n", f, s, n, mb, t, k, x, ratio, vs, uvs,
      r * 1024 / b, rc, per_mb, user_per_mb
  }')
  local user_per_mb=${line##* }
  line=${line% *}
  local per_mb=${line##* }
  line=${line% *}
  if [ -z "${base_cpu_per_mb[$family-$mode]:-}" ]; then
    [ "$mode" != xref ] && first_corpus[$family-$mode]=$name
    base_cpu_per_mb[$family-$mode]=$per_mb
    base_user_per_mb[$family-$mode]=$user_per_mb
    if awk -v c="$cpu" 'BEGIN { exit !(c < 0.1) }'; then
      notes+=("$family $label ran in $(seconds "$cpu") of CPU: a run this short is moved most by the machine's noise, and the family's CPU/MB figures with it")
    fi
  fi
  rows+=("$line|$verdict")
  # A family whose model outgrows the last-level cache at a larger size pays
  # main memory's latency there on look-ups that its first size finds in the
  # cache: that size's CPU/MB says as much about the machine as the program.
  if [ "$l3_bytes" -gt 0 ] && [ "$((rss * 1024))" -gt "$l3_bytes" ] && [ -z "${over_cache[$family]:-}" ]; then
    over_cache[$family]=1
    notes+=("$family $label: peak RSS $((rss / 1024)) MiB is more than the last-level cache ($((l3_bytes >> 20)) MiB), which sizes before it may fit in")
  fi
  read -r _ _ _ mb _ _ _ ratio vs _ rss_ratio _ <<<"$line"
  local peers=""
  [ "$mode" != xref ] && peers="xmlwf $(seconds "$xmlwf_cpu") (x$ratio), xmllint $xmllint_cpu, wc $(seconds "$wc_cpu"), "
  echo "$family $label ($name, $mb MB): kyvld $(seconds "$cpu"), peak $((rss / 1024)) MiB (x$rss_ratio input), ${peers}CPU/MB" \
    "x$vs of the first size; reference $(seconds "$ref_cpu"), peak $((ref_rss / 1024)) MiB; outputs $verdict"
}

first_bench=""
for entry in "${plan[@]}"; do
  read -r family size name generator arguments <<<"$entry"
  # shellcheck disable=SC2086  # the generator's arguments are words
  ensure_corpus "$name" "$generator" $arguments
  case $generator in
    gen_real.pl)
      [ "$size" = 1x ] && bench_one "$family" "$size" "$name" report
      bench_one "$family" "$size" "$name" focused ;;
    *) bench_one "$family" "$size" "$name" report ;;
  esac
  if [ "$family" = bench ] && [ -z "$first_bench" ]; then
    first_bench=$name
    bench_one "$family" "$size" "$name" xref
  fi
done

echo
echo "MB are 10^6 bytes of xob files; CPU is user + sys seconds (the least of --repeat runs); ratio is"
echo "kyvld / xmlwf, with --repeat the median over pairs of runs made one after the other;"
echo "CPU/MB is CPU per MB relative to the family's first size, run just before in each pair (the median"
echo "over pairs), user/MB the same of user time alone (without the kernel's part: reading the files, and"
echo "first writes into memory the process had not used before);"
echo "RSS/in is peak RSS / input bytes; ref s is the reference's CPU. Sizes marked focused ran with"
echo "config/focused.xml; the real programs' larger size is renamed copies of the first."
if [ "$warm" = 1 ]; then
  echo "Before each timed run as much memory as the corpus's bytes (256 MiB at least) was written and"
  echo "given back, untimed (--warm)."
fi
printf "%-8s %-12s %8s %9s %9s %9s %6s %8s %8s %8s %9s  %s\n" \
  family size MB traps "kyvld s" "xmlwf s" ratio "CPU/MB" "user/MB" "RSS/in" "ref s" outputs
for row in "${rows[@]}"; do
  read -r family size _ mb traps cpu xmlwf_cpu ratio vs uvs rss_ratio ref_cpu <<<"${row%%|*}"
  printf "%-8s %-12s %8s %9s %9s %9s %6s %8s %8s %8s %9s  %s\n" \
    "$family" "$size" "$mb" "$traps" "$cpu" "$xmlwf_cpu" "$ratio" "$vs" "$uvs" "$rss_ratio" "$ref_cpu" "${row#*|}"
done
for note in "${notes[@]}"; do echo "note: $note"; done
exit $failed
