#!/usr/bin/env bash
# Installs what is missing, builds a release binary and runs it on examples/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DKYV_TESTS=OFF
export ORVANTADIR=${ORVANTADIR:-$top/examples/install}
set +e
./build/release/kyvld -VERSION examples/*.xob
echo "kyvld exit status: $?"
