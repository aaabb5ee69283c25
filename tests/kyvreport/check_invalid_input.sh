#!/usr/bin/env bash
# Inputs kyvreport must refuse: each run ends with status 2 and a message that
# names the file and what is wrong, writes nothing to standard output, leaves
# no output and no temporary file, and leaves an older output untouched.
#
# usage: check_invalid_input.sh <kyvreport> <report of a complete run>
set -u
kyvreport=$1 report=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

size=$(stat -c %s "$report")
head -c $((size / 2)) "$report" >truncated.xml
: >empty.xml
printf '<?xml version="1.0"?>\n<xobj filename="a.xob"><sourcefile filename="a.c"/></xobj>\n' >xob.xml
printf '<?xml version="1.0"?>\n<XROD><APIDOC><DOCUMENT TITLE="x"></DOCUMENT></APIDOC></XROD>\n' >no_summary.xml
printf '\x00\x01\x02binary\xff' >binary.xml
sed "s/Number of errors/Number of \&#1; errors/" "$report" >bad_reference.xml
printf '{"version": "2.1.0", "runs": [' >truncated.sarif
printf '[]' >array.sarif
printf '{"runs": [{"results": [{"ruleId": "\xff"}]}]}' >bad_utf8.sarif
printf '{"version": "2.1.0"}' >no_runs.sarif
cp "$report" good.xml
mkdir folder

# input | extra options | file the message names | words the message holds
cases=(
  "truncated.xml||truncated.xml|truncated"
  "empty.xml||empty.xml|empty"
  "xob.xml||xob.xml|not a review report"
  "no_summary.xml||no_summary.xml|no summary"
  "binary.xml||binary.xml|not well-formed"
  "bad_reference.xml||bad_reference.xml|not well-formed"
  "missing.xml||missing.xml|cannot read"
  "folder||folder|directory"
  "good.xml|--baseline truncated.sarif|truncated.sarif|not valid JSON"
  "good.xml|--baseline array.sarif|array.sarif|not a SARIF log"
  "good.xml|--baseline bad_utf8.sarif|bad_utf8.sarif|not valid JSON"
  "good.xml|--baseline no_runs.sarif|no_runs.sarif|runs"
  "good.xml|--baseline missing.sarif|missing.sarif|cannot read"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r input options named words <<<"$entry"
  echo "an older page" >out.html
  # shellcheck disable=SC2086
  "$kyvreport" --sarif out.sarif --html out.html $options "$input" >stdout 2>stderr
  status=$?
  [ "$status" = 2 ] || fail "$input $options: status $status"
  grep -q "^kyvreport: $named: .*$words" stderr || fail "$input $options: message $(cat stderr)"
  [ -s stdout ] && fail "$input $options: wrote to standard output"
  [ -e out.sarif ] && fail "$input $options: left out.sarif"
  [ "$(cat out.html)" = "an older page" ] || fail "$input $options: changed the older page"
  ls -A | grep -q '^\.kyvreport-' && fail "$input $options: left a temporary file"
  rm -f out.sarif
done

# Usage errors: status 2, the problem and the pointer to --help.
usage_cases=(
  ""
  "--sarif out.sarif"
  "--bogus good.xml"
  "--sarif out.sarif --fail-on=later good.xml"
  "--sarif out.sarif good.xml good.xml"
  "--sarif - --html - good.xml"
  "--sarif good.xml good.xml"
  "--sarif= good.xml"
  "--sarif out.sarif --max-results -1 good.xml"
  "--sarif out.sarif --max-results 5x good.xml"
  "--sarif out.sarif --min-level note good.xml"
  "--sarif out.sarif --rule KYV_1_1,,KYV_1_2 good.xml"
  "--sarif out.sarif --split-by file good.xml"
  "--html out.html --snippets good.xml"
  "--html out.html --source-root . --source-url https://host/blob/main/ good.xml"
  "--html out.html --source-root . --source-url javascript:alert(1)//{path} good.xml"
  "--html out.html --source-url https://host/{path} good.xml"
  "good.xml"
)
for words in "${usage_cases[@]}"; do
  # shellcheck disable=SC2086
  "$kyvreport" $words >stdout 2>stderr
  status=$?
  [ "$status" = 2 ] || fail "'$words': status $status"
  grep -q "^kyvreport: " stderr && grep -q -- "--help" stderr || fail "'$words': message $(cat stderr)"
  cmp -s good.xml "$report" || fail "'$words': changed the report"
done

# Devices are written in place, never replaced; a failed write is status 2.
"$kyvreport" --sarif /dev/null --html /dev/null good.xml >stdout 2>stderr || fail "/dev/null: $(cat stderr)"
[ -c /dev/null ] || fail "/dev/null is no longer a device"
"$kyvreport" --sarif /dev/full good.xml >stdout 2>stderr
[ $? = 2 ] && grep -q '^kyvreport: /dev/full: cannot write' stderr || fail "/dev/full: $(cat stderr)"

"$kyvreport" --help >stdout 2>&1 && grep -q '^Usage: kyvreport' stdout || fail "--help"
"$kyvreport" --version >stdout 2>&1 && grep -q '^kyvreport [0-9]' stdout || fail "--version"

[ "$failures" = 0 ] || exit 1
echo "all refused inputs checked"
