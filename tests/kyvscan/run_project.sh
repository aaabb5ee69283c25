#!/usr/bin/env bash
# Runs one small C project through kyvscan (and kyvld) and compares the
# transcript of the run with the expected one, byte for byte.
#
# usage: run_project.sh <kyvscan> <kyvld> <test installation> <project folder>
#
# A project folder holds its C sources, a compile_commands.json in which
# @DIR@ stands for the folder the project is copied to, and `script`: bash
# lines run in that copy with the functions below, each of which appends
# what it shows to the transcript. expect/transcript is the expected text;
# the copy's path reads @DIR@ in it. With KYV_E2E_UPDATE=1 the transcript
# is written there instead.
#   scan ARGS...     kyvscan with ARGS: its standard output, error and status
#   review ARGS...   kyvld on kyvscan/units.rsp with ARGS and -SILENT=100: its console lines
#   references XOB   the xob file's uses: mode, name, declared at, used at
#   outline XOB      the xob file's inclusions, indented as they nest
#   elements XOB     the xob file's declarations with their attributes
#   parsed           the units whose xob file was written since the last `parsed`
#   note TEXT        a line of text
set -u
kyvscan=$1 kyvld=$2 install=$3 project=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
dir="$work/project"
cp -a "$project" "$dir"
rm -rf "$dir/expect"
[ -f "$dir/compile_commands.json" ] && sed -i "s|@DIR@|$dir|g" "$dir/compile_commands.json"
transcript="$work/transcript"
: >"$transcript"
export ORVANTADIR=$install TZ=UTC LC_ALL=C.UTF-8
unset KYV_THREADS

# The xob files' names end in a hash of the compile step, which holds the path.
mask() { sed -e "s|$dir|@DIR@|g" -e 's/-[0-9a-f]\{8\}\.xob/-HASH.xob/g'; }

scan() {
  echo "\$ kyvscan $*" >>"$transcript"
  (cd "$dir" && "$kyvscan" "$@") >"$work/out" 2>"$work/err"
  local status=$?
  mask <"$work/out" >>"$transcript"
  if [ -s "$work/err" ]; then echo "(stderr)" >>"$transcript"; mask <"$work/err" >>"$transcript"; fi
  echo "status $status" >>"$transcript"
}

review() {
  echo "\$ kyvld @kyvscan/units.rsp${*:+ $*} -SILENT=100" >>"$transcript"
  (cd "$dir" && "$kyvld" @kyvscan/units.rsp "$@" -SILENT=100) >"$work/out" 2>"$work/err"
  local status=$?
  mask <"$work/out" >>"$transcript"
  if [ -s "$work/err" ]; then echo "(stderr)" >>"$transcript"; mask <"$work/err" >>"$transcript"; fi
  echo "status $status" >>"$transcript"
}

project_view() {
  echo "\$ $1 $2" | mask >>"$transcript"
  python3 "$here/xob_view.py" "$1" "$dir/$2" | mask >>"$transcript"
}
references() { project_view references "$1"; }
outline() { project_view outline "$1"; }
elements() { project_view elements "$1"; }

parsed() {
  echo "\$ parsed" >>"$transcript"
  (cd "$dir" && for xob in kyvscan/*.xob; do
     [ -e "$xob" ] || continue
     stamp=$(stat -c '%i %z' "$xob")  # an inode number alone is reused after rm
     [ "$(cat "$xob.seen" 2>/dev/null)" != "$stamp" ] && echo "${xob#kyvscan/}"
     echo "$stamp" >"$xob.seen"
   done) | mask >>"$transcript"
}

note() { echo "# $*" >>"$transcript"; }

cd "$dir"
if ! bash -n "$dir/script"; then
  echo "FAIL: $(basename "$project"): the script does not parse"
  exit 1
fi
# shellcheck source=/dev/null
source "$dir/script"

expected="$project/expect/transcript"
if [ "${KYV_E2E_UPDATE:-}" = 1 ]; then
  mkdir -p "$project/expect"
  cp "$transcript" "$expected"
  exit 0
fi
if ! diff -u "$expected" "$transcript"; then
  echo "FAIL: $(basename "$project"): the transcript differs (above)"
  exit 1
fi
