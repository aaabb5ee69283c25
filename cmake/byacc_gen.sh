#!/usr/bin/env bash
# Generates a parser with byacc and rewrites its trace output into the form
# the program prints; fails when the generated code is not the expected shape.
# usage: byacc_gen.sh <byacc> <perl> <prefix> <grammar.y> <out.cpp> <out.h>
set -euo pipefail
byacc=$1 perl=$2 prefix=$3 grammar=$4 out_cpp=$5 out_h=$6
dir=$(dirname "$out_cpp")
base=$(basename "$out_cpp" .cpp)
# A failed step must not leave outputs that look up to date.
trap 'rm -f "$out_cpp" "$out_h"' ERR
"$byacc" -t -p "$prefix" -d -b "$dir/$base" -o "$out_cpp" -H "$out_h" "$grammar"
"$perl" "$(dirname "$0")/rewrite_trace.pl" "$out_cpp"
