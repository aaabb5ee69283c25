#!/usr/bin/env bash
# Runs one fuzzing campaign on one core, then minimises what it found into
# the kept corpus, and prints its executions, coverage and findings.
#
# usage: fuzz/run.sh TARGET SECONDS
#   libFuzzer targets: cmdline xml_text perl_text lexer config compile_db justify
#   whole-run targets (AFL++): xob config_file response_file header_file
#     kyvreport_report kyvreport_baseline
# Findings stay in build/fuzz-*/campaign/TARGET/ (crash-*, timeout-*, or
# AFL++'s crashes/ and hangs/) for a regression file and a fix. Kept files
# named regress-* (findings, inputs made by hand) survive the minimisation.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: fuzz/run.sh TARGET SECONDS}
seconds=${2:?usage: fuzz/run.sh TARGET SECONDS}
kept=$top/fuzz/corpus/$target
source "$top/fuzz/whole_runs.sh"
bash "$top/scripts/setup.sh" --fuzz

libfuzzer_options() {  # the options of each libFuzzer target
  case $1 in
    cmdline) echo "-dict=$build/dict/xob.dict -detect_leaks=0 -max_len=1024" ;;
    xml_text|perl_text) echo "-max_len=4096" ;;
    lexer) echo "-dict=$build/dict/markup.dict -max_len=8192" ;;
    config) echo "-dict=$build/dict/conf.dict -detect_leaks=0 -max_len=8192" ;;
    compile_db|justify) echo "-max_len=4096" ;;
    *) return 1 ;;
  esac
}

run_libfuzzer() {
  build=$top/build/fuzz-libfuzzer
  CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYV_TESTS=OFF \
    -DKYV_FUZZ=libfuzzer >/dev/null
  cmake --build "$build" -j 2 >"$build/build.log" 2>&1 || { tail -20 "$build/build.log"; exit 1; }
  local options
  options=$(libfuzzer_options "$target") || { echo "unknown target $target" >&2; exit 2; }
  local camp=$build/campaign/$target
  rm -rf "$camp/findings" && mkdir -p "$camp/queue" "$camp/findings"
  local log=$camp/log
  : >"$log"
  # Chunks of at most three minutes: the program keeps what it allocates until
  # it ends, so a long process would only grow; each chunk resumes the queue.
  local left=$seconds execs=0 chunk n
  while [ "$left" -gt 0 ]; do
    chunk=$((left < 180 ? left : 180))
    (cd "$camp" && ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$build/fuzz/fuzz_$target" $options -max_total_time="$chunk" -timeout=10 -rss_limit_mb=4096 \
      -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$camp/findings/" \
      "$camp/queue" "$kept" </dev/null >"$camp/chunk.log" 2>&1) || true
    cat "$camp/chunk.log" >>"$log"
    # A chunk that ended on a finding prints no totals: its last status line counts.
    n=$(grep 'stat::number_of_executed_units' "$camp/chunk.log" | tail -1 | awk '{print $2}' || true)
    [ -z "$n" ] && n=$(grep -o '^#[0-9]*' "$camp/chunk.log" | tail -1 | tr -d '#' || true)
    execs=$((execs + ${n:-0}))
    left=$((left - chunk))
  done
  local coverage findings
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}' || true)
  findings=$(find "$camp/findings" -type f | wc -l)
  # Minimise the kept corpus together with the queue, keeping the coverage.
  local merged=$camp/merged
  rm -rf "$merged" && mkdir -p "$merged"
  (cd "$camp" && ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/fuzz_$target" $options -merge=1 \
    -close_fd_mask=3 "$merged" "$kept" "$camp/queue" </dev/null >"$camp/merge.log" 2>&1) || true
  replace_kept "$merged" ""

  report "$execs" "${coverage:-0} edges" "$findings"
}

run_afl() {
  build=$top/build/fuzz-afl
  CC=afl-clang-fast CXX=afl-clang-fast++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DKYV_TESTS=OFF -DKYV_FUZZ=afl >/dev/null
  cmake --build "$build" -j 2 >"$build/build.log" 2>&1 || { tail -20 "$build/build.log"; exit 1; }
  whole_run_variants "$target" @@ || { echo "unknown target $target" >&2; exit 2; }
  local camp=$build/campaign/$target
  rm -rf "$camp" && mkdir -p "$camp/install/lib/locale"
  local program
  program=$(whole_run_program "$target" "$build")
  # kyvreport's targets compare with a baseline made by the same build.
  case $target in
    kyvreport_*) whole_run_folder "$camp/run" "$top" "$program" ;;
    *) whole_run_folder "$camp/run" "$top" ;;
  esac
  local words=${variants[0]} file_option=()
  if [ "$target" = response_file ]; then
    # "@@@" would not read as "@" and the file: AFL++ writes a fixed file.
    file_option=(-f "$camp/run/input")
    words="@input"
  fi
  local dict=()
  case $target in
    xob) dict=(-x "$build/dict/xob.dict") ;;
    config_file) dict=(-x "$build/dict/conf.dict") ;;
  esac
  # The crash handler turns an invalid access into exit status 1.
  (cd "$camp/run" && ORVANTADIR=$camp/install AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_NO_AFFINITY=1 \
    AFL_CRASH_EXITCODE=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_SKIP_BIN_CHECK=0 \
    afl-fuzz -i "$kept" -o "$camp/out" -V "$seconds" -t 2000 -m none "${dict[@]}" "${file_option[@]}" \
      -- "$program" $words </dev/null >"$camp/log" 2>&1) || true
  local stats=$camp/out/default/fuzzer_stats
  local execs coverage crashes hangs
  execs=$(awk -F' *: *' '$1=="execs_done"{print $2}' "$stats")
  coverage=$(awk -F' *: *' '$1=="bitmap_cvg"{print $2}' "$stats")
  crashes=$(find "$camp/out/default/crashes" -type f -name 'id:*' | wc -l)
  hangs=$(find "$camp/out/default/hangs" -type f -name 'id:*' | wc -l)
  echo "hangs (over 2 s): $hangs"
  # Minimise the kept corpus together with the queue, keeping the coverage.
  local merged=$camp/merged all=$camp/all
  mkdir -p "$all"
  cp "$kept"/* "$all/" 2>/dev/null || true
  cp "$camp/out/default/queue"/id:* "$all/" 2>/dev/null || true
  (cd "$camp/run" && ORVANTADIR=$camp/install AFL_SKIP_CPUFREQ=1 \
    afl-cmin -i "$all" -o "$merged" -t 5000 -m none "${file_option[@]}" -- "$program" $words \
    </dev/null >"$camp/cmin.log" 2>&1) || true
  replace_kept "$merged" seed-
  report "${execs:-0}" "${coverage:-0} of the edge map" "$((crashes + hangs))"
}

# replace_kept DIR PREFIX: the minimised files become the kept corpus, beside
# the regress-* files, each named PREFIX + its content's hash when given.
replace_kept() {
  [ -n "$(ls -A "$1" 2>/dev/null)" ] || return 0
  local f
  find "$kept" -maxdepth 1 -type f ! -name 'regress-*' -delete
  for f in "$1"/*; do
    [ -f "$f" ] || continue
    if [ -n "$2" ]; then cp "$f" "$kept/$2$(sha1sum <"$f" | cut -c1-16)"; else cp "$f" "$kept/"; fi
  done
}

report() {  # report EXECUTIONS COVERAGE FINDINGS
  echo "target: $target"
  echo "executions: $1"
  echo "coverage: $2"
  echo "findings: $3"
  echo "kept corpus: $(find "$kept" -type f | wc -l) files, $(du -sk "$kept" | cut -f1) KiB"
  echo "$(($1 - $3)) passed, $3 failed"
}

case $target in
  cmdline|xml_text|perl_text|lexer|config|compile_db|justify) run_libfuzzer ;;
  *) run_afl ;;
esac
