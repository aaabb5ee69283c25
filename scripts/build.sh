#!/usr/bin/env bash
# Configures and builds one tree: build.sh [--pgo] <build dir> [cmake options...]
#   --pgo  an optimised build: an instrumented kyvld reads generated
#          corpora first (scripts/pgo-train.sh), and the tree is built with
#          the counts it leaves and link-time optimisation. The counts are
#          taken again only when the sources or the generators changed since
#          they were last taken. KYV_PGO_PROJECTS (build folders of real C
#          projects, see scripts/pgo-train.sh) adds their xob files to the
#          training and kyvscan to the instrumented build.
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
  # The real projects trained on, by their folders and their recipes' stamps.
  for project in ${KYV_PGO_PROJECTS:-}; do
    stamp="$stamp $project $(cat "$project/../.stamp" 2>/dev/null | sha1sum | cut -c1-12)"
  done
  targets=(kyvld)
  [ -n "${KYV_PGO_PROJECTS:-}" ] && targets+=(kyvscan kyvscan_parse)
  if [ ! -f "$dir/pgo.stamp" ] || [ "$(cat "$dir/pgo.stamp")" != "$stamp" ]; then
    rm -f "$dir/pgo.stamp"
    cmake -S "$top" -B "$dir" "$@" -DKYV_PGO=generate >/dev/null
    find "$dir" -name '*.gcda' -delete
    cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
    bash "$top/scripts/pgo-train.sh" "$dir/kyvld" "$dir/pgo-training"
  fi
fi
cmake -S "$top" -B "$dir" "$@" -DKYV_PGO="$phase" >/dev/null
cmake --build "$dir" -j "$(nproc)"
if [ "$pgo" = 1 ]; then echo "$stamp" >"$dir/pgo.stamp"; fi
