#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Pass --bench to add the benchmark tools (git builds the reference release
# that the benchmark compares outputs with; the rest fetch and build the real
# C projects that kyvscan is timed on), --fuzz to add the fuzzing tools
# (clang with libFuzzer, AFL++, gcovr for corpus coverage).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
packages=(g++ make cmake flex byacc qtbase5-dev qttools5-dev-tools libgtest-dev libxml2-utils perl)
# kyvreport: its JSON writer, zlib to measure its log gzip-compressed, and the
# checkers of its SARIF and its page.
packages+=(rapidjson-dev zlib1g-dev python3-jsonschema python3-selenium chromium chromium-driver)
# kyvscan: libclang's C interface and the content hashes; clang itself is the
# peer its benchmark and tests compare with.
packages+=(libclang-14-dev clang-14 libxxhash-dev gcc)
# The manual pages are written with scdoc and read back with man; lintian
# checks the Debian package.
packages+=(scdoc man-db lintian)
case "${1:-}" in
  # Real C projects for kyvscan's benchmark: Debian source packages unpacked
  # by dpkg-source, built with their own configure (autotools to make it
  # where the package ships none) and recorded by bear; python3 computes the
  # call graph that kyvld's findings are checked against.
  --bench) packages+=(hyperfine expat time git dpkg-dev bear autoconf automake autopoint gettext python3) ;;
  --fuzz) packages+=(clang libfuzzer-14-dev afl++ gcovr) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The machine's Node.js may bring its own npm; Debian's is the fallback.
command -v npm >/dev/null || missing+=(npm)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
bash "$top/scripts/setup-sarif-multitool.sh"
