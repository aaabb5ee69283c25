#!/usr/bin/env bash
# Installs the SARIF validator the kyvreport tests use, pinned, into
# build/tools (ignored by git), unless that version is already there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
version=5.7.0
tools="$top/build/tools"
package="$tools/node_modules/@microsoft/sarif-multitool-linux"
if [ -x "$package/Sarif.Multitool" ] &&
   grep -q "\"version\": \"$version\"" "$package/package.json" 2>/dev/null; then
  exit 0
fi
mkdir -p "$tools"
npm install --prefix "$tools" --no-save --no-audit --no-fund --loglevel=error \
  "@microsoft/sarif-multitool-linux@$version"
