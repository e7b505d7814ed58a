#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Mervale need, when missing.
set -euo pipefail
exec "$(dirname "$0")/ensure-packages.sh" Mervale cmake ninja-build g++ pkg-config clang-format \
  googletest libgtest-dev libgmock-dev libbenchmark-dev libhwloc-dev libwayland-dev libwayland-bin \
  wayland-protocols qt6-base-dev libgl-dev xvfb xauth util-linux e2fsprogs desktop-file-utils \
  appstream strace procps
