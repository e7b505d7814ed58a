#!/usr/bin/env bash
# Configures and builds into build/ (or $MERVALE_BUILD_DIR) with any extra CMake arguments given;
# MERVALE_TARGET builds only the targets it names (separated by spaces).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${MERVALE_BUILD_TYPE:-RelWithDebInfo} "$@"
read -ra targets <<<"${MERVALE_TARGET:-}"
cmake --build "$build" -j "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
