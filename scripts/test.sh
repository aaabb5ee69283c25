#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite twice: as
# released, and with the address and undefined-behaviour sanitizers; then
# the reader's tests with the thread sanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh
bash scripts/build.sh --pgo build/release -DCMAKE_BUILD_TYPE=Release -DKYV_TESTS=ON
(cd build/release && ctest --output-on-failure -j "$(nproc)")
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DKYV_SANITIZE=ON -DKYV_TESTS=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/asan && ctest --output-on-failure -j "$(nproc)")
# The reader's threads under the thread sanitizer: its unit tests and the
# same files read in many orders with 1, 2 and 8 threads.
cmake -S "$top" -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DKYV_TSAN=ON -DKYV_TESTS=ON >/dev/null
cmake --build build/tsan -j "$(nproc)" --target kyvld kyv_unit_tests test_catalogues
export TSAN_OPTIONS=halt_on_error=1:exitcode=66
(cd build/tsan && ctest --output-on-failure -j "$(nproc)" -R '^(threads[.]|XobReader[.]|XobRecord[.]|ValueNumbering[.]|Lexer[.])')
echo "All tests passed (release, address and thread sanitizer builds)."
