#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Pass --bench to add the benchmark tools (git builds the reference release
# that the benchmark compares outputs with).
set -euo pipefail
packages=(g++ make cmake flex byacc qtbase5-dev qttools5-dev-tools libgtest-dev libxml2-utils perl)
if [ "${1:-}" = "--bench" ]; then
  packages+=(hyperfine expat time git)
fi
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
