#!/usr/bin/env bash
# Cross-compiles the Qt-free layers with the Windows backends for 64-bit Windows (MinGW-w64) into
# build-win32/ (or $MERVALE_WIN32_BUILD_DIR) and runs their test suites under Wine. Everything after
# the package check runs inside one virtual display: a Wine server started without a display
# stays without one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_WIN32_BUILD_DIR:-$root/build-win32}

if [[ ${1:-} != --inside-display ]]; then
  "$root/scripts/ensure-packages.sh" "The Windows build" g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth googletest cmake ninja-build
  exec xvfb-run -a bash "$0" --inside-display
fi

# No build type: without optimisation and debug information the static test programs build and link
# in about half the time, and nothing here is debugged.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DMERVALE_BUILD_UI=OFF -DMERVALE_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"

# A throwaway prefix: the tests write the user's Run key and application-data folder.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/mervale-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# One persistent server, and the prefix set up before the first test: otherwise Wine's background
# processes keep ctest's output pipes open after every test.
wineserver -p
log="$WINEPREFIX.boot.log"
if ! { wineboot -i && wine cmd /c exit; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"

cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
