#!/usr/bin/env bash
# Checks the facts kyvscan writes against clang's own reading of the same
# sources, on the real C projects of bench/projects.sh: for each project,
# kyvscan -p writes the xob files, kyvld links them with the focused profile
# (config/focused.xml), and bench/callgraph.py compares kyvld's findings with
# a call graph taken from clang's JSON AST of every unit:
#   definitions        the function definitions in the xob files (name, file
#                      name, line) against clang's, in the project's files;
#   call cycles        the functions named by KYV_160_20 / KYV_160_21 against
#                      those on a cycle of direct calls between the project's
#                      functions (external ones merged across units by name,
#                      static ones by their defining file);
#   never referenced   KYV_160_500 against the functions that no other
#                      function and no file-level initialiser uses (any use,
#                      not only calls; a function used only by itself counts
#                      as never referenced).
# Prints the counts, precision and recall of each, every differing function
# with its reason where clang's facts show one (a cycle closed by an address
# use, which kyvld counts; a name defined twice; two functions defined at one
# place, reported once), and a table of all projects. Exits 1 when a
# difference is unexplained or a step fails. The AST facts are kept and taken
# again only when the project or the scripts change.
#
# usage: bench/exactness.sh [-j N] [--build DIR] [PROJECT...]
#   PROJECT   names from bench/projects.sh --list (default: all)
#   -j        jobs of kyvscan and of clang (default 2)
#   --build   a build tree (its kyvscan and kyvld) instead of the optimised
#             build made here (scripts/build.sh --pgo)
set -euo pipefail
export TZ=UTC LC_ALL=C.UTF-8
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=2 build_dir="" names=()
while [ $# -gt 0 ]; do
  case $1 in
    -j) jobs=${2:?-j needs a count}; shift ;;
    -j*) jobs=${1#-j} ;;
    --build) build_dir=${2:?--build needs a folder}; shift ;;
    --build=*) build_dir=${1#--build=} ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "bench/exactness.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1") ;;
  esac
  shift
done
source "$top/bench/lib.sh"
prepare_projects_and_build
kyvscan=$build_dir/src/kyvscan/kyvscan
kyvld=$build_dir/kyvld
for program in "$kyvscan" "$kyvld"; do
  [ -x "$program" ] || { echo "bench/exactness.sh: no $program" >&2; exit 2; }
done
run=$top/build/bench-exactness
mkdir -p "$run"
summary=$run/summary
: >"$summary"
scripts_stamp=$(cat "$top/bench/callgraph.py" "$top/bench/compile_db.py" | sha1sum | cut -c1-12)

failed=0
for name in "${names[@]}"; do
  project=$top/build/bench-projects/$name
  work=$run/$name
  mkdir -p "$work"
  stamp="$(cat "$project/.stamp") $scripts_stamp"
  if [ ! -f "$work/facts.json" ] || [ "$(cat "$work/facts.stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "$name: reading clang's AST of every unit"
    rm -f "$work/facts.stamp"
    python3 "$top/bench/callgraph.py" facts "$project/build" "$project" "$work/facts.json" "$jobs"
    echo "$stamp" >"$work/facts.stamp"
  fi
  rm -rf "$work/out"
  status=0
  "$kyvscan" -p "$project/build" -j "$jobs" -o "$work/out" >"$work/kyvscan.stdout" 2>"$work/kyvscan.stderr" || status=$?
  if [ "$status" != 0 ]; then
    echo "$name: kyvscan exited with $status; see ${work#"$top"/}/kyvscan.stderr"
    failed=1
  fi
  [ -f "$work/out/units.rsp" ] || { echo "$name: kyvscan wrote no units.rsp" >&2; failed=1; continue; }
  # Every trap on the console (no report, no -SILENT: no limit on the lines),
  # then the report itself, kept for a look.
  kyvld_run=(env "ORVANTADIR=$top/examples/install" "$kyvld" "@$work/out/units.rsp" "-RULE=$top/config/focused.xml")
  status=0
  (cd "$work" && "${kyvld_run[@]}" >kyvld.stdout 2>kyvld.stderr) || status=$?
  (cd "$work" && "${kyvld_run[@]}" -KYV=report.xml -SILENT >/dev/null 2>&1) || true
  if [ "$status" -ge 2 ] || ! grep -q '^\[' "$work/kyvld.stdout"; then
    echo "$name: kyvld exited with $status and printed no finding; see ${work#"$top"/}/kyvld.stderr"
    failed=1
    continue
  fi
  python3 "$top/bench/callgraph.py" compare "$work/facts.json" "$work/kyvld.stdout" "$name" "$summary" "$work/out" ||
    failed=1
  echo
done

echo "Precision: share of kyvld's functions that clang's graph has too; recall: share of clang's that kyvld"
echo "names. unexplained: differences whose reason clang's facts do not show (listed above)."
printf "%-7s| %-34s | %-34s | %-34s | %s\n" project "definitions: clang xob both P R" \
  "call cycles: clang kyvld both P R" "never referenced: clang kyvld both P R" unexplained
while read -r name dc dk db dp dr cc ck cb cp cr nc nk nb np nr unexplained; do
  printf "%-7s| %6s %6s %6s %6s %6s  | %6s %6s %6s %6s %6s  | %6s %6s %6s %6s %6s  | %s\n" \
    "$name" "$dc" "$dk" "$db" "$dp" "$dr" "$cc" "$ck" "$cb" "$cp" "$cr" "$nc" "$nk" "$nb" "$np" "$nr" "$unexplained"
done <"$summary"
exit $failed
