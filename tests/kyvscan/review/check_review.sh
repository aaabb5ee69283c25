#!/usr/bin/env bash
# The README's review, end to end: examples/demo configured by CMake into a
# temporary folder and reviewed by scripts/review.sh with the programs just
# built. The console's trap lines must equal expect/traps (paths made
# relative to the checkout), twice (the second run from kyvscan's cache), and
# the SARIF log must place the results below the default source root. Then
# the refusals: no database, a unit that cannot be parsed, a bad command line.
#
# usage: check_review.sh TOP KYVSCAN KYVLD KYVREPORT
set -u
top=$1
export KYVSCAN=$2 KYVLD=$3 KYVREPORT=$4 TZ=UTC LC_ALL=C.UTF-8
unset ORVANTADIR KYV_BUILD
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake -S "$top/examples/demo" -B "$work/build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/cmake.log" 2>&1 ||
  { cat "$work/cmake.log"; exit 1; }

# review NAME [ARGS...]: runs review.sh into $work/NAME.{stdout,stderr,status}.
review() {
  local name=$1
  shift
  bash "$top/scripts/review.sh" "$@" >"$work/$name.stdout" 2>"$work/$name.stderr"
  echo $? >"$work/$name.status"
}
expect_status() {  # NAME STATUS
  [ "$(cat "$work/$1.status")" = "$2" ] ||
    fail "$1: status $(cat "$work/$1.status"), expected $2; stderr: $(cat "$work/$1.stderr")"
}

out=$work/out
for run in first cached; do
  review "$run" "$work/build" "$out"
  expect_status "$run" 0
  grep '^\[' "$work/$run.stdout" | sed "s|$top/||g" >"$work/$run.traps"
  diff -u "$here/expect/traps" "$work/$run.traps" >"$work/$run.diff" ||
    fail "$run run: trap lines differ from expect/traps:
$(cat "$work/$run.diff")"
  printf 'review report: %s\nSARIF log: %s\npage: %s\n' \
    "$out/report.xml" "$out/review.sarif" "$out/review.html" >"$work/where"
  grep -v '^\[' "$work/$run.stdout" | tail -n 3 | diff -u "$work/where" - >/dev/null ||
    fail "$run run: the last lines do not say where the outputs are: $(tail -n 3 "$work/$run.stdout")"
  for file in report.xml review.sarif review.html; do
    [ -s "$out/$file" ] || fail "$run run: $file missing or empty"
  done
done

# Every result of the SARIF log lies in a unit's folder, examples/demo.
python3 - "$out/review.sarif" "$top/examples/demo/" <<'PY' || fail "SARIF locations"
import json, sys
run = json.load(open(sys.argv[1]))["runs"][0]
assert run["originalUriBaseIds"]["SRCROOT"]["uri"] == "file://" + sys.argv[2], run["originalUriBaseIds"]
uris = {r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] for r in run["results"]}
assert uris and uris <= {"main.c", "lexer.c", "expr.c", "factor.c", "calc.h", "text.h"}, uris
PY

# No database: status 2, a message, and no output folder made.
review no_database "$work" "$work/none"
expect_status no_database 2
grep -q "compile_commands.json" "$work/no_database.stderr" || fail "no_database: $(cat "$work/no_database.stderr")"
[ ! -e "$work/none" ] || fail "no_database: made $work/none"

# A unit whose source is gone: the others are still reviewed, with status 1.
mkdir "$work/gone"
python3 - "$work/build/compile_commands.json" "$work/gone/compile_commands.json" <<'PY'
import json, sys
entries = json.load(open(sys.argv[1]))
gone = dict(entries[0], file=entries[0]["file"].replace("main.c", "gone.c"))
gone["command"] = gone["command"].replace("main.c", "gone.c")
json.dump(entries + [gone], open(sys.argv[2], "w"))
PY
review gone "$work/gone"
expect_status gone 1
grep -q "review goes on without them" "$work/gone.stderr" || fail "gone: $(cat "$work/gone.stderr")"
grep -q "\[factor.c:" "$work/gone.stdout" || fail "gone: the parsed units were not reviewed"
[ -s "$work/gone/review/review.sarif" ] || fail "gone: no SARIF log"

# Bad command lines, one a line: none, an option without its value, an
# unknown option, one word too many.
while read -r -a args; do
  review usage "${args[@]}"
  expect_status usage 2
  grep -q "usage: review.sh" "$work/usage.stderr" || fail "usage '${args[*]}': $(cat "$work/usage.stderr")"
done <<EOF

--source-root
--bogus $work/build
$work/build $out extra
EOF

[ "$failures" = 0 ] || exit 1
echo "review of examples/demo: $(wc -l <"$work/first.traps") trap lines as expected"
