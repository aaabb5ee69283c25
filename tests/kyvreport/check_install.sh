#!/usr/bin/env bash
# Installs the build into a temporary prefix, runs the installed kyvld on the
# units of tests/two_units with ORVANTADIR set to the prefix alone, turns its
# report into SARIF and a page with the installed kyvreport, and builds the
# Debian package, whose layout must be the same under /opt/kyvld.
#
# usage: check_install.sh <build folder> <folder of main.xob and util.xob>
set -u
build=$1 examples=$2
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
/usr/bin/python3 - "$traps" <<'PY' || fail "installed kyvreport's SARIF"
import json, sys
run = json.load(open("report.sarif"))["runs"][0]
uris = {r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] for r in run["results"]}
assert len(run["results"]) == int(sys.argv[1]), len(run["results"])
assert uris == {"main.c", "util.c"}, uris
assert run["originalUriBaseIds"]["SRCROOT"]["uri"] == "file:///home/dev/demo/"
PY
grep -q 'id="kyv-traps"' report.html || fail "installed kyvreport wrote no page"

# The installed kyvscan finds its parser module and writes an xob file the
# installed kyvld reads without a diagnostic line.
printf 'static int twice(int v) { return 2 * v; }\nint main(void) { return twice(1); }\n' >unit.c
env -i PATH=/usr/bin:/bin "$prefix/bin/kyvscan" -o unit.xob -- cc -c unit.c 2>stderr.txt ||
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
  for path in ./opt/kyvld/bin/kyvld ./opt/kyvld/bin/kyvreport ./opt/kyvld/bin/kyvscan \
              ./opt/kyvld/lib/kyvld/libkyvscan_parse.so ./opt/kyvld/lib/locale/; do
    grep -qx "$path" contents.txt || fail "package lacks $path"
  done
  dpkg-deb -f "$deb" Package Depends | grep -q 'libqt5core5a' || fail "package control fields"
else
  fail "cpack made no .deb"
fi

[ "$failures" = 0 ] || exit 1
echo "installed and packaged: $traps traps converted"
