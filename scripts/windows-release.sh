#!/usr/bin/env bash
# Builds the Windows release into build-win32-release/ (or $MERVALE_WIN32_RELEASE_DIR): an optimised
# mervale.exe, then in release/ the zip (mervale.exe, Languages, the licence and the notice of what
# is linked in with those libraries' licences) and the per-user installer made with NSIS. Prints
# the paths of both.
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
# Qt, libjpeg-turbo and hwloc are linked in statically, built from the Debian source packages of the
# versions installed here (scripts/win-toolchain.sh): their copyright files come with them.
installed_version() { dpkg-query -W -f='${Version}' "$1"; }
cp "$root/LICENSE" "$stage/LICENSE.txt"
sed -e "s/@VERSION@/$version/" -e "s/@QT_VERSION@/$(installed_version qt6-base-dev)/" \
  -e "s/@JPEG_VERSION@/$(installed_version libjpeg62-turbo)/" \
  -e "s/@HWLOC_VERSION@/$(installed_version libhwloc-dev)/" "$root/app/windows/NOTICE.txt.in" \
  >"$stage/NOTICE.txt"
mkdir "$stage/licenses"
cp /usr/share/doc/qt6-base-dev/copyright "$stage/licenses/Qt.txt"
cp /usr/share/doc/libjpeg62-turbo/copyright "$stage/licenses/libjpeg-turbo.txt"
cp /usr/share/doc/libhwloc-dev/copyright "$stage/licenses/hwloc.txt"
cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"

zip_file=$out/Mervale-$version-win64.zip
(cd "$out" && zip -q -r -X "$zip_file" Mervale)

installer=$out/Mervale-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DICON="$root/app/windows/mervale.ico" \
  -DOUTFILE="$installer" "$root/app/windows/installer.nsi"
echo "$zip_file"
echo "$installer"
