#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite twice:
# as released, and with the address and undefined-behaviour sanitizers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DKYV_TESTS=ON
(cd build/release && ctest --output-on-failure -j "$(nproc)")
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DKYV_SANITIZE=ON -DKYV_TESTS=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/asan && ctest --output-on-failure -j "$(nproc)")
echo "All tests passed (release and sanitizer builds)."
