#!/usr/bin/env bash
# Builds the Debian package mervale_<version>_amd64.deb from a Release build in build-deb/ (or
# $MERVALE_BUILD_DIR) made with Debian's hardening flags, checks it with lintian (an error fails)
# and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build-deb}
"$root/scripts/ensure-packages.sh" "The Debian package" dpkg-dev help2man lintian

# The flags Debian builds its own packages with, hardening all on; CMake has no CPPFLAGS.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
MERVALE_BUILD_DIR=$build MERVALE_BUILD_TYPE=Release "$root/scripts/build.sh" \
  -DCMAKE_INSTALL_PREFIX=/usr -DMERVALE_DEBIAN_PACKAGE=ON -DMERVALE_BUILD_TESTS=OFF \
  -DMERVALE_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >&2
(cd "$build" && cpack -G DEB) >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$build/mervale_${version}_$(dpkg --print-architecture).deb
lintian --fail-on error --info "$package" >&2
echo "$package"
