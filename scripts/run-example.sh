#!/usr/bin/env bash
# Installs what is missing, builds a release binary and runs it on examples/:
# two translation units sharing a header, with a recursion, functions never
# called, a reused parameter name and a justified trap. Writes the review
# report and echoes the traps.
#
# usage: run-example.sh [--focused]
#   --focused  applies the focused profile, config/focused.xml
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
report="$top/build/example-report.xml"
profile=()
case "${1:-}" in
  "") ;;
  --focused)
    report="$top/build/example-report-focused.xml"
    profile=("-RULE=$top/config/focused.xml")
    ;;
  *) echo "usage: $0 [--focused]" >&2; exit 2 ;;
esac
bash scripts/setup.sh
bash scripts/build.sh --pgo build/release -DCMAKE_BUILD_TYPE=Release
export ORVANTADIR=${ORVANTADIR:-$top/examples/install}
set +e
(cd examples && ../build/release/kyvld main.xob util.xob -KYV="$report" "${profile[@]}" -SILENT=100)
status=$?
set -e
echo "kyvld exit status: $status"
echo "review report: $report"
build/release/src/kyvreport/kyvreport --source-root /home/dev/demo \
  --sarif build/example.sarif --html build/example.html "$report"
echo "SARIF log: $top/build/example.sarif"
echo "page: $top/build/example.html"
