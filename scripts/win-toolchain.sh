#!/usr/bin/env bash
# Builds what the Windows program links against and Debian does not ship for MinGW: a static
# qtbase (Core, Gui, Widgets, Test, the windows platform plugin), a static libjpeg and a static
# hwloc, all from Debian's own sources at the versions installed on this machine, with the fixes in
# patches/qtbase. The result is kept outside the checkout, under a key made of Qt's and libjpeg's
# versions, the compiler's and the hash of their recipe, its patches and the toolchain file, and
# reused while the key holds. hwloc goes into the same prefix in a step of its own with its own key,
# so that a change of hwloc does not rebuild Qt.
# Prints the prefix to use as the last line of its output; the build log goes to prefix/../build.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${MERVALE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/mervale}/win-toolchain
toolchain_file=$root/cmake/mingw-w64-x86_64.cmake
jobs=${MERVALE_TOOLCHAIN_JOBS:-$(nproc)}

# The host tools (moc, rcc, uic) come from qt6-base-dev-tools: a cross-built Qt must be the same
# version, so the source version follows the installed one.
"$root/scripts/ensure-packages.sh" "The Windows toolchain" g++-mingw-w64-x86-64-posix dpkg-dev \
  cmake ninja-build qt6-base-dev qt6-base-dev-tools libjpeg62-turbo libhwloc-dev make

installed_version() { dpkg-query -W -f='${Version}' "$1"; }
qt_version=$(installed_version qt6-base-dev)
jpeg_version=$(installed_version libjpeg62-turbo)
hwloc_version=$(installed_version libhwloc-dev)
compiler_version="$(installed_version g++-mingw-w64-x86-64-posix) $(installed_version mingw-w64-x86-64-dev)"

# The versions, the compiler and the text of a step's own function (with the files it names): a
# change to one step's recipe rebuilds that step only.
step_key() {
  local step=$1
  shift
  { declare -f "$step"; cat "$toolchain_file" "$@"; } | sha256sum | cut -c1-16
}

build_qt() {
  apt-get source -q "qt6-base=$qt_version" "libjpeg-turbo=$jpeg_version"
  qt_source=$(echo "$work"/qt6-base-*/)
  jpeg_source=$(echo "$work"/libjpeg-turbo-*/)
  for patch in "$root"/patches/qtbase/*.patch; do
    patch -d "$qt_source" -p1 --forward <"$patch"
  done

  # Static only and without SIMD: the program decodes a few small images, and no assembler needed.
  cmake -S "$jpeg_source" -B "$work/jpeg-build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
  cmake --build "$work/jpeg-build" -j "$jobs" --target install

  # Only what a Widgets program and its Qt Test programs use. OpenGL, Direct2D and tablet input are
  # off (Debian's source has no wintab); JPEG images go through the libjpeg built above, so the
  # program and Qt share one copy of it. -Og instead of Qt's -O2 compiles in about half the time on
  # machines shared by several builds; a tray program that wakes once a second does not need more.
  cmake -S "$qt_source" -B "$work/qt-build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DQT_USE_DEFAULT_CMAKE_OPTIMIZATION_FLAGS=ON \
    -DCMAKE_C_FLAGS_RELEASE="-Og -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-Og -DNDEBUG" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
    -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF \
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_freetype=OFF -DFEATURE_pkg_config=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_jpeg=ON -DINPUT_libjpeg=system -DFEATURE_system_jpeg=ON \
    -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a"
  cmake --build "$work/qt-build" -j "$jobs" --target install
}

# The library alone (no lstopo and other tools), static, reading the machine through Windows' own
# calls: no XML library (XML topologies still load through hwloc's minimal parser), no drawing, no
# devices (PCI, GPUs, accelerators) and no plugins, which a static program could not load anyway.
build_hwloc() {
  apt-get source -q "hwloc=$hwloc_version"
  hwloc_source=$(echo "$work"/hwloc-*/)
  cd "$hwloc_source"
  ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --enable-static --disable-shared \
    CC="${launcher:+ccache }x86_64-w64-mingw32-gcc-posix" \
    --disable-libxml2 --disable-cairo --disable-io --disable-pci --disable-opencl --disable-cuda \
    --disable-nvml --disable-rsmi --disable-levelzero --disable-gl --disable-plugins \
    --disable-libudev --disable-doxygen --disable-readme --disable-picky
  make -C include -j "$jobs" install
  make -C hwloc -j "$jobs" install
  make install-hwlocpkgconfigDATA
}

qt_key=$(printf '%s\n' "$qt_version" "$jpeg_version" "$compiler_version" \
  "$(step_key build_qt "$root"/patches/qtbase/*.patch)" | sha256sum | cut -c1-16)
hwloc_key=$(printf '%s\n' "$hwloc_version" "$compiler_version" "$(step_key build_hwloc)" |
  sha256sum | cut -c1-16)
home=$cache/$qt_key
prefix=$home/prefix
qt_done=$home/complete
hwloc_done=$home/hwloc-$hwloc_key.complete

mkdir -p "$cache"
# One build at a time; a second caller waits for the first and then finds the result.
exec 9>"$cache/.lock"
flock 9
if [[ -f $qt_done && -f $hwloc_done ]]; then
  echo "Windows toolchain from cache ($qt_version, libjpeg $jpeg_version, hwloc $hwloc_version)" >&2
  echo "$prefix"
  exit 0
fi

# apt-get source needs a deb-src line for the suite the binary packages come from.
if ! apt-cache showsrc hwloc 2>/dev/null | grep -qx "Version: $hwloc_version"; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "The Windows toolchain needs Debian's source packages: add a deb-src line for the same" >&2
    echo "suite (as root: $0 does it) and run apt-get update." >&2
    exit 1
  fi
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    >/etc/apt/sources.list.d/mervale-deb-src.sources
  apt-get update -q >&2
fi

# Runs one step in a work folder of its own, logged to $home/<log>, and marks it done.
run_step() {
  local step=$1 log=$home/$2 done=$3
  work=$home/work-$step
  rm -rf "$work"
  mkdir -p "$work"
  # With ccache, paths are taken relative to the work folder, so a build under another key (a
  # changed patch, say) compiles only what really changed.
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=$work CCACHE_NOHASHDIR=true
  fi
  echo "Building $step of the Windows toolchain into $home (log: $log)" >&2
  local start=$SECONDS
  (cd "$work" && "$step") >"$log" 2>&1 || {
    tail -n 60 "$log" >&2
    echo "The Windows toolchain build failed; the whole log is $log" >&2
    exit 1
  }
  rm -rf "$work"
  echo "$((SECONDS - start)) s" >"$done"
  echo "$step of the Windows toolchain built in $((SECONDS - start)) s" >&2
}

# hwloc first: it takes a minute, and Qt's build does not need it.
if [[ ! -f $qt_done ]]; then
  rm -rf "$home"
  mkdir -p "$home"
fi
if [[ ! -f $hwloc_done ]]; then
  # An earlier hwloc's files are overwritten by the new one's install; only its mark goes.
  rm -f "$home"/hwloc-*.complete
  run_step build_hwloc hwloc-build.log "$hwloc_done"
fi
if [[ ! -f $qt_done ]]; then
  run_step build_qt build.log "$qt_done"
fi
echo "$prefix"
