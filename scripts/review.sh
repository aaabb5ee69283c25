#!/usr/bin/env bash
# Reviews a C project from its sources: kyvscan writes one xob file per unit
# of BUILD_DIR/compile_commands.json, kyvld links them with the focused
# profile into a review report and echoes the traps, and kyvreport turns the
# report into a SARIF log and a page.
#
# usage: review.sh [--source-root DIR] [--rules FILE] BUILD_DIR [OUT_DIR]
#   OUT_DIR        default BUILD_DIR/review: receives xob/ (kept as kyvscan's
#                  cache), report.xml, review.sarif and review.html
#   --source-root  the folder the SARIF log's paths are relative to; default
#                  the deepest folder holding every unit of the database
#   --rules FILE   the rule configuration, or an installed profile's name;
#                  default config/focused.xml of this checkout, else the
#                  installed focused profile
# The programs are $KYVSCAN, $KYVLD and $KYVREPORT when set, else those of
# the build tree $KYV_BUILD (default build/release, when built), else those
# on PATH. ORVANTADIR defaults to examples/install, else (outside a
# checkout) the installation kyvld comes from.
# Status: 0 reviewed; 1 reviewed without the units kyvscan could not parse;
# 2 usage error, no database or no program; else that of the failing program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

die() { echo "review.sh: $*" >&2; exit 2; }
usage() { die "usage: review.sh [--source-root DIR] [--rules FILE] BUILD_DIR [OUT_DIR]"; }

source_root="" rules="$top/config/focused.xml"
# Copied out of a checkout, the script uses the profile installed with the programs.
[ -f "$rules" ] || rules=focused
while [ $# -gt 0 ]; do
  case $1 in
    --source-root) [ $# -ge 2 ] || usage; source_root=$2; shift 2 ;;
    --rules) [ $# -ge 2 ] || usage; rules=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
case $# in 1 | 2) ;; *) usage ;; esac
build_dir=$1
out=${2:-$build_dir/review}
[ -f "$build_dir/compile_commands.json" ] ||
  die "$build_dir holds no compile_commands.json: configure the project with" \
      "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON (CMake), or run 'bear -- make' (Make)"
# A bare name that is no file here names an installed profile, which the programs find.
if [[ $rules == */* ]] || [ -e "$rules" ]; then
  [ -f "$rules" ] && [ -r "$rules" ] || die "cannot read the rule file $rules"
fi

# program VARIABLE PATH_IN_BUILD_TREE: prints the program to run.
program() {
  local name=${2##*/} tree=${KYV_BUILD:-$top/build/release}
  if [ -n "${!1:-}" ]; then
    [ -x "${!1}" ] || die "$1=${!1} is not a program"
    echo "${!1}"
  elif [ -n "${KYV_BUILD:-}" ] || [ -x "$tree/$2" ]; then
    [ -x "$tree/$2" ] || die "the build tree $tree holds no $2"
    echo "$tree/$2"
  else
    command -v "$name" || die "no $name: build it (scripts/build.sh), or set KYV_BUILD or $1"
  fi
}
kyvscan=$(program KYVSCAN src/kyvscan/kyvscan)
kyvld=$(program KYVLD kyvld)
kyvreport=$(program KYVREPORT src/kyvreport/kyvreport)
# Outside a checkout, the installation kyvld comes from.
if [ -z "${ORVANTADIR:-}" ]; then
  ORVANTADIR=$top/examples/install
  [ -d "$ORVANTADIR" ] || ORVANTADIR=$(cd "$(dirname "$kyvld")/.." && pwd)
fi
export ORVANTADIR

mkdir -p "$out"
out=$(cd "$out" && pwd)
# A failed run must not leave an earlier run's outputs looking like its own.
rm -f "$out/report.xml" "$out/review.sarif" "$out/review.html"

scan=0
"$kyvscan" -p "$build_dir" -o "$out/xob" --rules "$rules" || scan=$?
case $scan in
  0) ;;
  1) echo "review.sh: kyvscan could not parse some units (above); the review goes on without them" >&2 ;;
  *) echo "review.sh: kyvscan failed (status $scan)" >&2; exit "$scan" ;;
esac

status=0
"$kyvld" "@$out/xob/units.rsp" "-KYV=$out/report.xml" "-RULE=$rules" -SILENT=10000 || status=$?
[ "$status" = 0 ] || { echo "review.sh: kyvld failed (status $status)" >&2; exit "$status"; }

if [ -z "$source_root" ]; then
  source_root=$(python3 - "$build_dir/compile_commands.json" <<'PY'
import json, os, sys
entries = json.load(open(sys.argv[1]))
folders = [os.path.dirname(os.path.normpath(os.path.join(e["directory"], e["file"]))) for e in entries]
print(os.path.commonpath(folders))
PY
  ) || die "cannot find the units' common folder; give --source-root"
fi
"$kyvreport" --source-root "$source_root" --sarif "$out/review.sarif" --html "$out/review.html" \
  "$out/report.xml" || { status=$?; echo "review.sh: kyvreport failed (status $status)" >&2; exit "$status"; }

echo "review report: $out/report.xml"
echo "SARIF log: $out/review.sarif"
echo "page: $out/review.html"
exit "$scan"
