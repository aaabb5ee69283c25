#!/usr/bin/env bash
# Runs one end-to-end case against the built binary and compares bytes.
#
# usage: run_case.sh <kyvld> <case folder> <test installation>
#
# A case folder holds:
#   args        the command-line words, one per line
#   env         optional: NAME=value lines to set, -NAME lines to unset;
#               @INSTALL@ and @DIR@ stand for the test installation and the run folder
#   setup.sh    optional: run in the run folder before the binary
#   mask        optional: sed script applied to the actual outputs before comparing
#               (the run folder's path always reads @DIR@ in standard output and error)
#   check.sh    optional: run in the run folder afterwards; must exit 0
#   expect/status, expect/stdout, expect/stderr   (absent: 0, empty, empty)
#   expect/files/<path>   files the run must leave, byte for byte
#   expect/absent         paths the run must not leave, one per line
#   anything else         input files, copied into the run folder
# With KYV_E2E_UPDATE=1 the actual outputs are written into expect/ instead.
set -u
binary=$1 case_dir=$2 install=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run="$work/run"
cp -a "$case_dir" "$run"

args=()
if [ -f "$case_dir/args" ]; then
  while IFS= read -r line || [ -n "$line" ]; do args+=("$line"); done <"$case_dir/args"
fi

envs=(PATH=/usr/bin:/bin "ORVANTADIR=$install" TZ=UTC LC_ALL=C.UTF-8 "HOME=$run")
for keep in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS KYV_THREADS; do
  [ -n "${!keep:-}" ] && envs+=("$keep=${!keep}")
done
if [ -f "$case_dir/env" ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    [ -z "$line" ] && continue
    line=${line//@INSTALL@/$install}
    line=${line//@DIR@/$run}
    if [ "${line:0:1}" = "-" ]; then
      unset_name=${line:1}
      filtered=()
      for e in "${envs[@]}"; do [ "${e%%=*}" = "$unset_name" ] || filtered+=("$e"); done
      envs=("${filtered[@]}")
    else
      envs+=("$line")
    fi
  done <"$case_dir/env"
fi

cd "$run" || exit 2
if [ -f setup.sh ]; then
  env -i "${envs[@]}" KYVLD="$binary" bash setup.sh || { echo "setup.sh failed"; exit 1; }
fi
env -i "${envs[@]}" "$binary" "${args[@]}" >"$work/stdout" 2>"$work/stderr"
echo $? >"$work/status"

# The run folder's path changes from run to run: it reads @DIR@ in every output.
for f in "$work/stdout" "$work/stderr"; do sed -i "s|$run|@DIR@|g" "$f"; done
if [ -f "$case_dir/mask" ]; then
  for f in "$work/stdout" "$work/stderr"; do sed -i -f "$case_dir/mask" "$f"; done
  if [ -d "$case_dir/expect/files" ]; then
    (cd "$case_dir/expect/files" && find . -type f) | while read -r f; do
      [ -f "$run/$f" ] && sed -i -f "$case_dir/mask" "$run/$f"
    done
  fi
fi

if [ "${KYV_E2E_UPDATE:-}" = 1 ]; then
  mkdir -p "$case_dir/expect"
  cp "$work/status" "$case_dir/expect/status"
  for s in stdout stderr; do
    if [ -s "$work/$s" ]; then cp "$work/$s" "$case_dir/expect/$s"; else rm -f "$case_dir/expect/$s"; fi
  done
  if [ -d "$case_dir/expect/files" ]; then
    (cd "$case_dir/expect/files" && find . -type f) | while read -r f; do
      [ -f "$run/$f" ] && cp "$run/$f" "$case_dir/expect/files/$f"
    done
  fi
  echo "updated $case_dir"
  exit 0
fi

failed=0
compare() {  # compare <what> <expected file or empty> <actual file>
  local what=$1 expected=$2 actual=$3
  if [ -z "$expected" ] || [ ! -f "$expected" ]; then
    if [ -s "$actual" ]; then
      echo "--- $what: expected nothing, got:"; head -c 4000 "$actual"; echo; failed=1
    fi
  elif ! cmp -s "$expected" "$actual"; then
    echo "--- $what differs (expected, actual):"
    diff -a "$expected" "$actual" | head -n 60
    failed=1
  fi
}
expected_status=0
[ -f "$case_dir/expect/status" ] && expected_status=$(tr -d ' \n' <"$case_dir/expect/status")
actual_status=$(cat "$work/status")
if [ "$expected_status" != "$actual_status" ]; then
  echo "--- status: expected $expected_status, got $actual_status"; failed=1
fi
compare stdout "$case_dir/expect/stdout" "$work/stdout"
compare stderr "$case_dir/expect/stderr" "$work/stderr"
if [ -d "$case_dir/expect/files" ]; then
  while read -r f; do
    if [ ! -f "$run/$f" ]; then echo "--- file $f: missing"; failed=1; continue; fi
    compare "file $f" "$case_dir/expect/files/$f" "$run/$f"
  done < <(cd "$case_dir/expect/files" && find . -type f | sort)
fi
if [ -f "$case_dir/expect/absent" ]; then
  while IFS= read -r f; do
    [ -n "$f" ] && [ -e "$run/$f" ] && { echo "--- file $f: should not exist"; failed=1; }
  done <"$case_dir/expect/absent"
fi
if [ -f "$case_dir/check.sh" ]; then
  if ! env -i "${envs[@]}" bash "$run/check.sh"; then echo "--- check.sh failed"; failed=1; fi
fi
exit $failed
