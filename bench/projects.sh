#!/usr/bin/env bash
# Fetches the real C programs that kyvscan is timed and checked on, as Debian
# source packages, builds each with its own build system and writes its
# compilation database, into build/bench-projects/NAME/:
#   src/                            the unpacked sources (Debian's patches not
#                                   applied: upstream's own build is used)
#   build/compile_commands.json     the database (CMake's, or bear's record of
#                                   make after the package's configure)
# Packages come from the archive the machine's apt sources name, through a
# deb-src list, lists and cache of our own (build/bench-projects/apt), so the
# machine's apt state is left as it is. Versions are pinned: figures taken on
# different days are of the same sources. A project already built by the same
# recipe is reused; prints one line per project: name, units, database folder.
#
# usage: bench/projects.sh [--list] [PROJECT...]   (default: every project)
#   --list   print the projects' names and exit
set -euo pipefail
export LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)

# One row per project: name, source package=version, style.
projects=(
  "lua lua5.4=5.4.4-3+deb12u1 interpreter: cycles across files, tables of C functions"
  "zstd libzstd=1.5.4+dfsg2-5 compression library (CMake): macros, inline helpers, legacy decoders"
  "make make-dfsg=4.3-4.1 program (autotools): tables of built-in functions, gnulib"
)
names=()
for row in "${projects[@]}"; do names+=("${row%% *}"); done

# The recipes: run in the project's folder with src/ unpacked; each leaves
# build/compile_commands.json. They run where `set -e` does not hold (inside
# a condition), so their steps are joined with &&.
recipe_lua() {
  # The upstream makefile, linux target without readline: no dependency.
  (cd src && bear --output "$PWD/../build/compile_commands.json" -- make -j2 -C src linux)
}
recipe_zstd() {
  # Static library and programs; the optional zlib, lzma and lz4 formats off.
  cmake -S src/build/cmake -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_TESTS=OFF \
    -DZSTD_ZLIB_SUPPORT=OFF -DZSTD_LZMA_SUPPORT=OFF -DZSTD_LZ4_SUPPORT=OFF &&
    cmake --build build -j2
}
recipe_make() {
  # The package ships no configure script: made as Debian's build makes it.
  (cd src && autoreconf -fi && ./configure --without-guile --disable-nls &&
     bear --output "$PWD/../build/compile_commands.json" -- make -j2)
}

list=0 wanted=()
while [ $# -gt 0 ]; do
  case $1 in
    --list) list=1 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "bench/projects.sh: unknown option $1" >&2; exit 2 ;;
    *) wanted+=("$1") ;;
  esac
  shift
done
if [ "$list" = 1 ]; then printf '%s\n' "${names[@]}"; exit 0; fi
[ ${#wanted[@]} -gt 0 ] || wanted=("${names[@]}")
for name in "${wanted[@]}"; do
  case " ${names[*]} " in *" $name "*) ;; *) echo "bench/projects.sh: no project $name; projects: ${names[*]}" >&2; exit 2 ;; esac
done

bash "$top/scripts/setup.sh" --bench >/dev/null
cache=$top/build/bench-projects
apt_dir=$cache/apt
mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/downloads"

# deb-src lines for the machine's Debian entries (one-line and deb822 files):
# the same URIs, suites, components and keys, for the release's own suites
# only (third-party lists such as a vendor's have no sources to give).
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
sources_list() {
  local files=()
  [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v code="$codename" '
    function ours(suite) { return suite == code || index(suite, code "-") == 1 }
    function emit(uri, suite, comps, key) {
      if (!ours(suite)) return
      print "deb-src " (key != "" ? "[signed-by=" key "] " : "") uri " " suite " " comps
    }
    function flush(   n, m, u, s, us, ss, i, j) {
      if (types ~ /(^| )deb( |$)/ && enabled != "no") {
        n = split(uris, us, " "); m = split(suites, ss, " ")
        for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) emit(us[i], ss[j], comps, key)
      }
      types = uris = suites = comps = key = enabled = ""
    }
    FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
    /^[ \t]*#/ { next }
    !deb822 && $1 == "deb" {
      key = ""; i = 2
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          if ($i ~ /^\[?signed-by=/) { key = $i; sub(/^\[?signed-by=/, "", key); sub(/\]$/, "", key) }
          if ($i ~ /\]$/) { i++; break }
        }
      }
      c = ""; for (j = i + 2; j <= NF; j++) c = c (c == "" ? "" : " ") $j
      emit($i, $(i + 1), c, key); key = ""; next
    }
    deb822 && /^[ \t]*$/ { flush(); next }
    deb822 && /^[A-Za-z-]+:/ {
      field = tolower($1); sub(/:$/, "", field); value = $0; sub(/^[^:]*:[ \t]*/, "", value)
      if (field == "types") types = value
      else if (field == "uris") uris = value
      else if (field == "suites") suites = value
      else if (field == "components") comps = value
      else if (field == "signed-by") key = value
      else if (field == "enabled") enabled = tolower(value)
    }
    END { flush() }' "${files[@]}"
}
sources_list >"$apt_dir/sources.list.new"
if [ ! -s "$apt_dir/sources.list.new" ]; then
  echo "bench/projects.sh: no Debian ($codename) entry in the machine's apt sources" >&2
  exit 1
fi
apt_options=(-q -o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
  -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache"
  -o Dir::State::status=/var/lib/dpkg/status)
# As root apt hands downloads to its sandbox user, who cannot write here.
[ "$(id -u)" = 0 ] && apt_options+=(-o APT::Sandbox::User=root)

# The source indexes, fetched again only when the list changed.
lists_fresh() {
  cmp -s "$apt_dir/sources.list.new" "$apt_dir/sources.list" &&
    compgen -G "$apt_dir/state/lists/*Sources*" >/dev/null
}
if ! lists_fresh; then
  mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
  echo "fetching the source package indexes"
  apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 || { cat "$apt_dir/update.log" >&2; exit 1; }
else
  rm -f "$apt_dir/sources.list.new"
fi

# prepare <name> <package=version>: fetches, unpacks and builds it unless the
# same recipe built it before.
prepare() {
  local name=$1 pinned=$2 dir=$cache/$1
  local package=${pinned%%=*} version=${pinned#*=} stamp
  stamp="$pinned $(declare -f "recipe_$name" | sha1sum | cut -c1-12)"
  if [ -f "$dir/.stamp" ] && [ "$(cat "$dir/.stamp")" = "$stamp" ] && [ -f "$dir/build/compile_commands.json" ]; then
    return 0
  fi
  local dsc=$apt_dir/downloads/${package}_${version#*:}.dsc
  if [ ! -f "$dsc" ]; then
    echo "fetching $pinned"
    (cd "$apt_dir/downloads" && apt-get "${apt_options[@]}" source --download-only "$pinned") \
      >"$apt_dir/source-$name.log" 2>&1 || { cat "$apt_dir/source-$name.log" >&2; exit 1; }
  fi
  echo "building $name"
  rm -rf "$dir"
  mkdir -p "$dir/build"
  local log=$cache/$name.log
  if ! { dpkg-source -x --skip-patches "$dsc" "$dir/src" && (cd "$dir" && "recipe_$name"); } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "bench/projects.sh: building $name failed; the whole log is $log" >&2
    exit 1
  fi
  [ -s "$dir/build/compile_commands.json" ] || { echo "bench/projects.sh: $name wrote no compilation database" >&2; exit 1; }
  echo "$stamp" >"$dir/.stamp"
}

for name in "${wanted[@]}"; do
  for row in "${projects[@]}"; do
    read -r n pinned style <<<"$row"
    [ "$n" = "$name" ] || continue
    prepare "$name" "$pinned"
    units=$(python3 "$top/bench/compile_db.py" count "$cache/$name/build")
    printf '%-6s %4s C units  %s  (%s, %s)\n' "$name" "$units" "${cache#"$top"/}/$name/build" "$pinned" "$style"
  done
done
