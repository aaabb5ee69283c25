#!/usr/bin/env bash
# Installs what is missing, builds a release tree and reviews the bundled
# project, examples/demo: a small calculator in C whose parser recurses
# across two files, with a function calling itself, commands reached only
# through a table, a static function defined in a header, a function never
# called and a justified trap. Writes the review into build/example and
# echoes the traps (scripts/review.sh, with the focused profile).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
[ $# -eq 0 ] || { echo "usage: $0" >&2; exit 2; }
bash scripts/setup.sh
bash scripts/build.sh --pgo build/release -DCMAKE_BUILD_TYPE=Release
# Configuring is enough: the review reads the compilation database.
cmake -S examples/demo -B build/demo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
KYV_BUILD=build/release bash scripts/review.sh build/demo build/example
