#!/usr/bin/env bash
# Line coverage of kyvld's sources (src/ without kyvreport) by the kept
# corpora: builds a gcov build, replays every corpus through it (the
# fuzz.replay tests) and summarises with gcovr.
# The generated parsers count by their .l and .y lines, not their tables.
#
# usage: fuzz/coverage.sh   (report in build/coverage/coverage.txt)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/coverage
bash "$top/scripts/setup.sh" --fuzz
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKYV_COVERAGE=ON -DKYV_TESTS=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -R '^fuzz\.replay\.' -j 2 --output-on-failure) || true
cd "$top"
# kyvreport is a program of its own, reading kyvld's reports: its own suite
# (tests/kyvreport) tests it, not these corpora.
gcovr -r "$top" --object-directory "$build" --filter "$top/src/" --exclude "$top/src/kyvreport/" \
  --txt "$build/coverage.txt" -s
tail -3 "$build/coverage.txt"
