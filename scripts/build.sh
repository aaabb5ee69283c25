#!/usr/bin/env bash
# Configures and builds one tree: build.sh <build dir> [cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$top" -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
