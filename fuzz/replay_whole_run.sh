#!/usr/bin/env bash
# Replays a whole-run target's kept corpus through kyvld (the sanitizer
# build in the test suite) and checks every run's outputs: exit status 0, 2
# or 7, no crash line and, when the run reached its end (status 0), every XML
# file written well-formed (xmllint --noout) and every cross-reference
# accepted by perl -c. A fatal error ends a run with the report half written.
#
# usage: replay_whole_run.sh <kyvld> <target> <corpus folder> <test installation>
set -u
kyvld=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") target=$2 corpus=$3 install=$4
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/fuzz/whole_runs.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0 passed=0
fail() { echo "FAIL $target $(basename "$1"): $2"; failed=$((failed + 1)); }

check_outputs() {
  local input=$1 run=$2 status=$3 f
  case $status in 0|2|7) ;; *) fail "$input" "exit status $status"; return ;; esac
  if grep -q '^core' "$run/.stdout" "$run/.stderr"; then fail "$input" "crash line"; return; fi
  if [ "$status" -ne 0 ]; then passed=$((passed + 1)); return; fi
  for f in "$run"/*; do
    [ -f "$f" ] || continue
    case $(basename "$f") in a.xob|b.xob|input) continue ;; esac
    if head -c 5 "$f" | grep -q '^<?xml'; then
      xmllint --noout "$f" 2>"$run/.xmllint" || { fail "$input" "$(basename "$f") not well-formed: $(head -3 "$run/.xmllint")"; return; }
    elif head -c 11 "$f" | grep -q '^@basetypes'; then
      perl -c "$f" >/dev/null 2>"$run/.perl" || { fail "$input" "$(basename "$f") rejected by perl: $(head -3 "$run/.perl")"; return; }
    fi
  done
  passed=$((passed + 1))
}

for input in "$corpus"/*; do
  [ -f "$input" ] || continue
  whole_run_variants "$target" input
  for words in "${variants[@]}"; do
    run="$work/run"
    rm -rf "$run"
    whole_run_folder "$run" "$top"
    cp "$input" "$run/input"
    read -ra arguments <<<"$words"
    settings=()
    while [ ${#arguments[@]} -gt 0 ] && [[ ${arguments[0]} =~ ^[A-Z_]+= ]]; do
      settings+=("${arguments[0]}")
      arguments=("${arguments[@]:1}")
    done
    (cd "$run" && env -i PATH=/usr/bin:/bin "ORVANTADIR=$install" TZ=UTC LC_ALL=C.UTF-8 \
        "ASAN_OPTIONS=${ASAN_OPTIONS:-}" "UBSAN_OPTIONS=${UBSAN_OPTIONS:-}" "${settings[@]}" \
        timeout 60 "$kyvld" "${arguments[@]}" </dev/null >.stdout 2>.stderr)
    status=$?
    check_outputs "$input" "$run" "$status"
    [ "$status" -ne 0 ] && [ "$status" -ne 2 ] && [ "$status" -ne 7 ] && sed -n 1,20p "$run/.stderr"
  done
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
