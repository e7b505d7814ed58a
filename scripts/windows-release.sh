#!/usr/bin/env bash
# Builds the Windows release into build-win32-release/ (or $MERVALE_WIN32_RELEASE_DIR): an optimised
# mervale.exe, then in release/ the zip (mervale.exe and Languages) and the per-user installer made
# with NSIS. Prints the paths of both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_WIN32_RELEASE_DIR:-$root/build-win32-release}

"$root/scripts/ensure-packages.sh" "The Windows release" nsis zip
MERVALE_WIN32_BUILD_DIR=$build MERVALE_TARGET=mervale "$root/scripts/windows-build.sh" \
  -DCMAKE_BUILD_TYPE=Release -DMERVALE_BUILD_TESTS=OFF

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
out=$build/release
stage=$out/Mervale
rm -rf "$out"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/mervale.exe" "$build/app/mervale.exe"
cp -r "$root/Languages" "$stage/Languages"

zip_file=$out/Mervale-$version-win64.zip
(cd "$out" && zip -q -r -X "$zip_file" Mervale)

installer=$out/Mervale-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DICON="$root/app/windows/mervale.ico" \
  -DOUTFILE="$installer" "$root/app/windows/installer.nsi"
echo "$zip_file"
echo "$installer"
