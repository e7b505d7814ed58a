#!/usr/bin/env bash
# Cross-builds the whole program for 64-bit Windows (MinGW-w64, static Qt from
# scripts/win-toolchain.sh) into build-win32/ (or $MERVALE_WIN32_BUILD_DIR): app/mervale.exe with
# its Languages folder beside it, and every test program. Extra arguments go to CMake;
# MERVALE_TARGET builds only the targets it names (separated by spaces).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_WIN32_BUILD_DIR:-$root/build-win32}

"$root/scripts/ensure-packages.sh" "The Windows build" g++-mingw-w64-x86-64-posix googletest \
  cmake ninja-build pkg-config
prefix=$("$root/scripts/win-toolchain.sh" | tail -n 1)

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# libjpeg is found through its pkg-config file in the toolchain, never the build machine's.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
# No build type: without optimisation and debug information the static programs build and link in
# about half the time, and nothing here is debugged.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DMERVALE_BUILD_BENCH=OFF "$@"
read -ra targets <<<"${MERVALE_TARGET:-}"
cmake --build "$build" -j "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
