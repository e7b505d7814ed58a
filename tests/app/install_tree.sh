#!/usr/bin/env bash
# `cmake --install` of the build in $1 into a DESTDIR with a prefix that needs quoting in a menu
# entry: the tree holds the program, its language files, the menu entry, the icons and the metadata and nothing else; the
# entry and the metadata pass their validators; what the entry's Exec names is the installed program,
# and it reads its language files from ../share/mervale/Languages. $2 is the desktop name of the program.
set -euo pipefail
build=$1
id=$2

work=$(mktemp -d)
outer=
cleanup() {
  if [[ -n $outer ]]; then
    kill -KILL "$outer" 2>/dev/null || true
    wait "$outer" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

install_prefix="/opt/Mervale 1.0"
DESTDIR=$work/root cmake --install "$build" --prefix "$install_prefix" >"$work/install.log"
prefix=$work/root$install_prefix

sizes=(16 22 24 32 48 64 128 256)
expected=(bin/mervale "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg")
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x$size/apps/$id.png"); done
for language in "$build"/app/Languages/*.txt; do
  expected+=("share/mervale/Languages/$(basename "$language")")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed tree differs (< expected, > installed)"
[[ -x $prefix/bin/mervale ]] || fail "the program is not executable"
echo "installed: ${#expected[@]} files, as expected"

for size in "${sizes[@]}"; do
  # Width and height are the big-endian words at bytes 16 and 20 of a PNG file.
  read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png")
  [[ $width == "$size" && $height == "$size" ]] || fail "the ${size}px icon is ${width}x$height"
done
echo "icons: ${sizes[*]} px, each its own size"

# The entry's value unescaped (a doubled backslash is one), then split as the entry's quoting
# rules say, which for a quoted path are the shell's inside double quotes.
exec_value=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$id.desktop" | sed 's/\\\\/\\/g')
eval "entry_command=($exec_value)"
[[ ${#entry_command[@]} == 1 && ${entry_command[0]} == "$install_prefix/bin/mervale" ]] ||
  fail "the menu entry starts '$exec_value', not the installed program"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the menu entry names another icon"
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli validate"
echo "desktop-file-validate and appstreamcli validate: passed"

# The installed program, with the language "German" chosen, opens that file from the shared data.
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/Mervale" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'German\r\n' >"$XDG_CONFIG_HOME/Mervale/lang.ini"
unshare --pid --fork --mount-proc --kill-child \
  strace -f -qq -e trace=openat -o "$work/trace" "$work/root${entry_command[0]}" >"$work/run.log" 2>&1 &
outer=$!
# Files are opened one path part at a time, so the file itself shows as a name relative to the
# Languages directory that was opened before it.
german="\"German.txt\", O_RDONLY[^=]*= [0-9]"
languages="\"$prefix/share/mervale/Languages/\?\", O_RDONLY[^=]*= [0-9]"
for _ in $(seq 600); do
  grep -q "$german" "$work/trace" 2>/dev/null && break
  kill -0 "$outer" 2>/dev/null || { cat "$work/run.log" >&2; fail "the installed program ended"; }
  sleep 0.1
done
grep -q "$languages" "$work/trace" && grep -q "$german" "$work/trace" || { cat "$work/run.log" >&2; fail "the installed program did not read $prefix/share/mervale/Languages/German.txt"; }
echo "the program that the menu entry starts read its language file from $prefix/share/mervale/Languages"
