#!/usr/bin/env bash
# Cross-builds the whole program and its tests for 64-bit Windows (scripts/windows-build.sh) and
# runs every test suite under Wine: engine, store, the Windows backends and the Qt windows (with
# Qt's windows platform, on a virtual X display). Everything after the build runs inside that one
# display: a Wine server started without a display stays without one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_WIN32_BUILD_DIR:-$root/build-win32}

if [[ ${1:-} != --inside-display ]]; then
  "$root/scripts/ensure-packages.sh" "The Wine tests" wine wine64 xvfb xauth
  "$root/scripts/windows-build.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" --inside-display
fi

source "$root/scripts/wine-prefix.sh"
cd "$build"
status=0
ctest --output-on-failure -j "$(nproc)" --timeout 300 || status=$?
# The Qt Test programs write their results to files: their failures and skips (with the reasons)
# belong in the log.
for result in tests/ui/*_test.txt; do
  tr -d '\r' <"$result" | grep -E '^(FAIL!|SKIP|Totals)|^   (Actual|Expected|Loc)' | sed "s|^|$(basename "$result" .txt): |"
done
exit "$status"
