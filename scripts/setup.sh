#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Pass --bench to add the benchmark tools, --fuzz to add the fuzzing tools
# (clang with libFuzzer, AFL++, gcovr for corpus coverage).
set -euo pipefail
packages=(g++ make cmake flex byacc qtbase5-dev qttools5-dev-tools libgtest-dev libxml2-utils perl)
case "${1:-}" in
  --bench) packages+=(hyperfine expat time) ;;
  --fuzz) packages+=(clang libfuzzer-14-dev afl++ gcovr) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
