#!/usr/bin/env bash
# Installs the build into a temporary prefix, runs the installed kyvld on the
# units of tests/two_units with ORVANTADIR set to the prefix alone, also with
# the focused profile named as installed, turns its report into SARIF and a
# page with the installed kyvreport, renders the manual pages, and builds the
# Debian package, whose layout must be the same under /usr: its programs,
# unpacked, run the same way, and lintian (where installed) finds no error.
#
# usage: check_install.sh <build folder> <folder of main.xob and util.xob> <focused profile>
set -u
build=$1 examples=$2 profile=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install: $(cat "$work/install.log")"
for program in kyvld kyvreport kyvscan; do
  [ -x "$prefix/bin/$program" ] || fail "$program not installed in bin"
done
[ -d "$prefix/lib/locale" ] || fail "no lib/locale"
for file in share/kyvld/focused.xml share/doc/kyvld/copyright share/doc/kyvld/changelog.gz \
    share/doc/kyvld/rules.html share/doc/kyvld/rules.md; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done

# Each program's manual page renders without a warning and names it.
for program in kyvld kyvreport kyvscan; do
  page="$prefix/share/man/man1/$program.1.gz"
  if [ -f "$page" ]; then
    MANWIDTH=80 man -l "$page" >"$work/page.txt" 2>"$work/page.err" || fail "man -l $program.1.gz failed"
    [ -s "$work/page.err" ] && fail "man -l $program.1.gz: $(cat "$work/page.err")"
    grep -q "^ *$program - " "$work/page.txt" || fail "$program.1.gz has no NAME line for $program"
    grep -q "^EXIT STATUS" "$work/page.txt" || fail "$program.1.gz has no EXIT STATUS section"
  else
    fail "no manual page $program.1.gz"
  fi
done

mkdir "$work/run"
cp "$examples"/*.xob "$work/run/"
cd "$work/run" || exit 1
env -i PATH=/usr/bin:/bin ORVANTADIR="$prefix" TZ=UTC \
  "$prefix/bin/kyvld" main.xob util.xob -KYV=report.xml -SILENT=100 >console.txt 2>stderr.txt
status=$?
[ "$status" = 0 ] || fail "installed kyvld: status $status: $(cat stderr.txt)"
[ -s stderr.txt ] && fail "installed kyvld wrote to standard error: $(cat stderr.txt)"
traps=$(grep -c '^\[' console.txt)
[ "$traps" -gt 0 ] || fail "installed kyvld echoed no trap"

env -i PATH=/usr/bin:/bin "$prefix/bin/kyvreport" --sarif report.sarif --html report.html \
  --source-root /home/dev/demo report.xml 2>stderr.txt || fail "installed kyvreport: $(cat stderr.txt)"
/usr/bin/python3 - "$traps" "$prefix" <<'PY' || fail "installed kyvreport's SARIF"
import json, os, sys, urllib.parse
run = json.load(open("report.sarif"))["runs"][0]
# Every rule's help points into the installed rule document, at an anchor it has.
document = os.path.realpath(os.path.join(sys.argv[2], "share/doc/kyvld/rules.html"))
text = open(document).read()
for rule in run["tool"]["driver"]["rules"]:
    uri = urllib.parse.urlsplit(rule["helpUri"])
    assert uri.scheme == "file" and os.path.realpath(urllib.parse.unquote(uri.path)) == document, rule["helpUri"]
    assert 'id="%s"' % uri.fragment in text, rule["helpUri"]
uris = {r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] for r in run["results"]}
assert len(run["results"]) == int(sys.argv[1]), len(run["results"])
assert uris == {"main.c", "util.c"}, uris
assert run["originalUriBaseIds"]["SRCROOT"]["uri"] == "file:///home/dev/demo/"
PY
grep -q 'id="kyv-traps"' report.html || fail "installed kyvreport wrote no page"

# run_with_profile PREFIX RULE OUT: the installed kyvld of PREFIX with -RULE=RULE,
# in the run folder; its console lines in OUT, its report in OUT.xml.
run_with_profile() {
  env -i PATH=/usr/bin:/bin ORVANTADIR="$1" TZ=UTC \
    "$1/bin/kyvld" main.xob util.xob "-KYV=$3.xml" "-RULE=$2" -SILENT=100 >"$3" 2>"$3.err" ||
    fail "kyvld -RULE=$2: status $?: $(cat "$3.err")"
}
# config_row REPORT: the file the report's summary says was read.
config_row() { grep -A1 '>Configuration file<' "$1" | sed -n 's/.*"Array">\(.*\)<\/CELL_TEXT>$/\1/p' | tail -1; }

# The profile named as installed gives what the checkout's file gives, and
# the report names the installed file; a file of that name here keeps its
# meaning (this one is no configuration: a syntax error, named "focused").
run_with_profile "$prefix" "$profile" by-path.txt
run_with_profile "$prefix" focused by-name.txt
cmp -s by-path.txt by-name.txt || fail "-RULE=focused differs from the profile's file: $(diff by-path.txt by-name.txt | head -5)"
cmp -s console.txt by-name.txt && fail "-RULE=focused changed nothing: profile not read"
[ "$(config_row by-name.txt.xml)" = "$prefix/share/kyvld/focused.xml" ] ||
  fail "report names '$(config_row by-name.txt.xml)' as the configuration read"
echo 'not a rule file' >focused
run_with_profile "$prefix" focused local.txt
[ "$(config_row local.txt.xml)" = focused ] || fail "a local file 'focused' lost its meaning: $(config_row local.txt.xml)"
rm focused

# The installed kyvscan finds its parser module and writes an xob file the
# installed kyvld reads without a diagnostic line.
printf 'static int twice(int v) { return 2 * v; }\nint main(void) { return twice(1); }\n' >unit.c
env -i PATH=/usr/bin:/bin "$prefix/bin/kyvscan" -o unit.xob --rules focused -- cc -c unit.c 2>stderr.txt ||
  fail "installed kyvscan: $(cat stderr.txt)"
env -i PATH=/usr/bin:/bin ORVANTADIR="$prefix" "$prefix/bin/kyvld" unit.xob -SILENT=100 >console.txt 2>&1
grep -q "'main' is never referenced" console.txt && [ "$(grep -vc '^\[' console.txt)" = 0 ] ||
  fail "installed kyvld on kyvscan's xob file: $(cat console.txt)"

mkdir "$work/package"
(cd "$work/package" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >cpack.log 2>&1) ||
  fail "cpack: $(cat "$work/package/cpack.log")"
deb=$(ls "$work"/package/*.deb 2>/dev/null | head -1)
if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" | awk '{print $6}' >contents.txt
  for path in ./usr/bin/kyvld ./usr/bin/kyvreport ./usr/bin/kyvscan ./usr/lib/kyvld/libkyvscan_parse.so \
              ./usr/lib/locale/ ./usr/share/kyvld/focused.xml ./usr/share/man/man1/kyvld.1.gz \
              ./usr/share/man/man1/kyvreport.1.gz ./usr/share/man/man1/kyvscan.1.gz \
              ./usr/share/doc/kyvld/copyright ./usr/share/doc/kyvld/changelog.gz; do
    grep -qx "$path" contents.txt || fail "package lacks $path"
  done
  grep -q '^./opt' contents.txt && fail "package still installs under /opt"
  dpkg-deb -f "$deb" Package Depends | grep -q 'libqt5core5a' || fail "package control fields"
  # Unpacked, the package's kyvld finds the profile by name as installed.
  dpkg-deb -x "$deb" "$work/unpacked" || fail "dpkg-deb -x"
  run_with_profile "$work/unpacked/usr" focused unpacked.txt
  cmp -s by-path.txt unpacked.txt || fail "the package's kyvld -RULE=focused: $(head -3 unpacked.txt.err)"
  # Its kyvscan loads the parser module from /usr/lib/kyvld, libclang by its soname.
  env -i PATH=/usr/bin:/bin "$work/unpacked/usr/bin/kyvscan" -o unpacked.xob --rules focused -- cc -c unit.c \
    2>stderr.txt || fail "the package's kyvscan: $(cat stderr.txt)"
  # The same file as the installed kyvscan's, but for the name it records of itself.
  sed 's/filename="unpacked.xob"/filename="unit.xob"/' unpacked.xob | cmp -s unit.xob - ||
    fail "the package's kyvscan wrote another xob file than the installed one"
  if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >lintian.txt 2>&1
    grep -q '^E:' lintian.txt && fail "lintian: $(grep '^E:' lintian.txt)"
    grep -q '^[EW]:' lintian.txt && echo "lintian: $(grep -c '^W:' lintian.txt) warnings: $(grep '^W:' lintian.txt)"
  else
    echo "lintian not installed: the package was not checked"
  fi
else
  fail "cpack made no .deb"
fi

[ "$failures" = 0 ] || exit 1
echo "installed and packaged: $traps traps converted"
