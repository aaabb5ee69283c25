#!/usr/bin/env bash
# Configures and builds one tree: build.sh [--pgo] <build dir> [cmake options...]
#   --pgo  an optimised build: an instrumented kyvld reads generated
#          corpora first (scripts/pgo-train.sh), and the tree is built with
#          the counts it leaves and link-time optimisation. The counts are
#          taken again only when the sources or the generators changed since
#          they were last taken.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
pgo=0
if [ "${1:-}" = --pgo ]; then
  pgo=1
  shift
fi
dir=$1
shift
phase=""
if [ "$pgo" = 1 ]; then
  phase=use
  stamp=$(cd "$top" && find CMakeLists.txt src bench scripts/pgo-train.sh -type f \
            \( -name '*.cpp' -o -name '*.h' -o -name '*.l' -o -name '*.y' -o -name '*.pl' \
               -o -name '*.pm' -o -name '*.sh' -o -name CMakeLists.txt \) -print0 |
          sort -z | xargs -0 sha1sum | sha1sum | cut -c1-40)
  if [ ! -f "$dir/pgo.stamp" ] || [ "$(cat "$dir/pgo.stamp")" != "$stamp" ]; then
    rm -f "$dir/pgo.stamp"
    cmake -S "$top" -B "$dir" "$@" -DKYV_PGO=generate >/dev/null
    find "$dir" -name '*.gcda' -delete
    cmake --build "$dir" -j "$(nproc)" --target kyvld
    bash "$top/scripts/pgo-train.sh" "$dir/kyvld" "$dir/pgo-training"
  fi
fi
cmake -S "$top" -B "$dir" "$@" -DKYV_PGO="$phase" >/dev/null
cmake --build "$dir" -j "$(nproc)"
if [ "$pgo" = 1 ]; then echo "$stamp" >"$dir/pgo.stamp"; fi
