#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Mervale need, when missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config clang-format googletest libgtest-dev libgmock-dev
  libbenchmark-dev libjpeg-dev qt6-base-dev libgl-dev xvfb xauth util-linux)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

install_line="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "Mervale needs these packages. Run as root:" >&2
  echo "  $install_line" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
