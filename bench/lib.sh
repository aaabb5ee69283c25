# Pieces shared by the benchmark scripts. Sourced, not run; needs $top and,
# for ensure_corpus, $corpora.

# build <source tree> <build folder> [--pgo]: a release build (profile-guided
# with --pgo, which only the current tree's build script knows), its log
# shown only on failure.
build() {
  local log=$2.log pgo=()
  [ "${3:-}" = --pgo ] && pgo=(--pgo)
  if ! bash "$1/scripts/build.sh" "${pgo[@]}" "$2" -DCMAKE_BUILD_TYPE=Release -DKYV_TESTS=OFF >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
}
# count_bytes <folder>: the bytes of its xob files into its .bytes. Printed
# as a float: awk's %d stops at 2^31 - 1, which made the corpora over 2 GB
# read as 2147 MB.
count_bytes() {
  find "$1" -name '*.xob' -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f\n", s }' >"$1/.bytes"
}

# ensure_corpus <name> <generator> <arguments...>: generates it unless it is
# there from the same generator and arguments.
ensure_corpus() {
  local name=$1 generator=$2
  shift 2
  local dir=$corpora/$name stamp
  stamp="$(cat "$top/bench/$generator" "$top"/bench/*.pm | sha1sum | cut -c1-12) $generator $*"
  if [ -f "$dir/.stamp" ] && [ "$(cat "$dir/.stamp")" = "$stamp" ]; then
    # A corpus counted before the count was mended reads 2147483647.
    [ "$(cat "$dir/.bytes")" = 2147483647 ] && count_bytes "$dir"
    return 0
  fi
  echo "generating $name"
  rm -rf "$dir" "$dir.tmp"
  local options=() size
  while [ $# -gt 1 ]; do options+=("$1"); shift; done
  size=$1
  perl "$top/bench/$generator" "${options[@]}" "$dir.tmp" "$size"
  count_bytes "$dir.tmp"
  echo "$stamp" >"$dir.tmp/.stamp"
  mv "$dir.tmp" "$dir"
}

# median_of: the median of the numbers on standard input, one a line.
median_of() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# read_into_cache <files...>: reads them once, so that a timed run finds them
# in the page cache (the system may have dropped some since the last run), as
# a build finds files it has just written.
read_into_cache() { if [ $# -gt 0 ]; then cat "$@" >/dev/null; fi; }

# build_optimised: the profile-guided build in build/bench, trained on the
# generated corpora and on every real project of bench/projects.sh (fetched
# and built here when missing). Every benchmark trains on the same list, so
# one benchmark's build is not taken again by the next for a list of its own.
build_optimised() {
  local projects=() list="" project
  mapfile -t projects < <(bash "$top/bench/projects.sh" --list)
  bash "$top/bench/projects.sh" "${projects[@]}" >/dev/null
  for project in "${projects[@]}"; do list="$list $top/build/bench-projects/$project/build"; done
  KYV_PGO_PROJECTS=${list# } build "$top" "$top/build/bench" --pgo
}

# For the benchmarks on real projects: fetches the projects named in `names`
# (all of bench/projects.sh when none) and sets `build_dir` to the tree whose
# programs are run: the one given, else the optimised build made here.
prepare_projects_and_build() {
  [ ${#names[@]} -gt 0 ] || mapfile -t names < <(bash "$top/bench/projects.sh" --list)
  bash "$top/bench/projects.sh" "${names[@]}"
  if [ -z "$build_dir" ]; then
    build_optimised
    build_dir=$top/build/bench
  fi
  build_dir=$(cd "$build_dir" && pwd)
}
