#!/usr/bin/env bash
# Takes the pictures in docs/images/ from the real program, each run as PID 1 of a PID namespace of
# its own with a few `sleep` children, so it sees and pins nothing else:
#   here   this machine under Xvfb at 1366x768: the main window in mode Manual, the process menu
#          opened on a row with "All CPUs" open, the tray menu with "Mode" open, the Options window;
#   guest  a 64-CPU and an 8-CPU Linux guest (scripts/screenshots-guest.sh): the main window, the
#          "Single CPUs" and "Cores" menus, "Choose CPUs", and the process menu of 8 CPUs;
#   wine   the Windows build (scripts/windows-build.sh) under Wine, in a Wine desktop: the main
#          window with Wine's processes in its table.
# With no PART it takes them all; the Wine one comes last, as the first Windows build of a tree
# takes long. The pictures of the parts not named stay as they are.
#
# Usage: scripts/screenshots.sh [here] [guest] [wine]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
images=$root/docs/images

if [[ ${1:-} == --wine-inside ]]; then
  # Inside the virtual display and the PID namespace: a throwaway Wine prefix and desktop.
  out=$2
  win32_build=${MERVALE_WIN32_BUILD_DIR:-$root/build-win32}
  source "$root/scripts/wine-prefix.sh"
  wine "$win32_build/app/mervale.exe" >/dev/null 2>&1 &
  window=$(wine "$win32_build/tests/smoke_probe.exe" window Mervale 90 2>/dev/null | tr -d '\r') || {
    echo "no Mervale window under Wine: $window" >&2
    exit 1
  }
  # The first refresh fills the table a second after the window shows.
  sleep 3
  read -r _ x y width height <<<"$window"
  desktop=$(xdotool search --name 'Wine desktop' | head -n 1)
  import -window "$desktop" -crop "${width}x$height+$x+$y" +repage "$out/windows-main-window.png"
  exit 0
fi

parts=("$@")
((${#parts[@]})) || parts=(here guest wine)
for part in "${parts[@]}"; do
  [[ $part =~ ^(here|guest|wine)$ ]] || {
    echo "usage: scripts/screenshots.sh [here] [guest] [wine]" >&2
    exit 2
  }
done
"$root/scripts/ensure-packages.sh" "The screenshots" xvfb xauth xdotool imagemagick
mkdir -p "$images"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Copies the pictures named as "from:to" out of directory $1 into docs/images. A picture of a few
# flat colours is a window that drew no text: that fails.
keep() {
  local from=$1 colours
  shift
  for pair in "$@"; do
    colours=$(identify -format %k "$from/${pair%%:*}.png")
    ((colours > 8)) || {
      echo "${pair%%:*}.png has $colours colours: nothing was drawn" >&2
      exit 1
    }
    cp "$from/${pair%%:*}.png" "$images/${pair#*:}.png"
    echo "docs/images/${pair#*:}.png"
  done
}

for part in "${parts[@]}"; do
  case $part in
    here)
      MERVALE_TARGET=screenshot_probe "$root/scripts/build.sh"
      XDG_CONFIG_HOME=$work/config xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp" \
        unshare --pid --fork --mount-proc --kill-child "$build/app/screenshot_probe" "$work/here"
      keep "$work/here" main-window:main-window process-menu:process-menu tray-menu:tray-menu \
        options:options
      ;;
    guest)
      "$root/scripts/screenshots-guest.sh" "$work/guest"
      keep "$work/guest/64" main-window:cpus-64-main-window \
        process-menu-cpus:cpus-64-process-menu-cpus process-menu-cores:cpus-64-process-menu-cores \
        choose-cpus:cpus-64-choose-cpus
      keep "$work/guest/8" process-menu:cpus-8-process-menu
      ;;
    wine)
      "$root/scripts/ensure-packages.sh" "The Wine screenshot" wine wine64
      MERVALE_TARGET="mervale smoke_probe" "$root/scripts/windows-build.sh"
      mkdir -p "$work/wine"
      xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" unshare --pid --fork --mount-proc \
        --kill-child bash "$0" --wine-inside "$work/wine"
      keep "$work/wine" windows-main-window:windows-main-window
      ;;
  esac
done
