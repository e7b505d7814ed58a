#!/usr/bin/env bash
# Smoke test of the Windows release under Wine, in a Wine virtual desktop on a virtual X display:
# the installer installs for the user into a new folder whose path has a space, with a Start menu
# entry; the installed mervale.exe shows its window, and a second start ends at once and leaves one
# program; a right click on its tray icon opens the menu, where Mode > CPU 1 is chosen by keyboard;
# a process started after that, suspended, is given mask 1; autostart written from the Options
# window names the installed path, quoted, and Wine's next start of the session starts the program
# from it; the tray menu's Exit ends it; a second start brings the window back from the tray; the
# installer run again ends the running program first, and so does the uninstaller, which leaves
# nothing of it behind (an older unquoted autostart value included), not even the new folder; an
# installation into the default folder is taken away as well. Nothing is written outside the
# test's temporary folder. A screenshot with the tray menu open is kept beside the build (its path
# is printed) and, base64-encoded, in the log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_WIN32_BUILD_DIR:-$root/build-win32}
release=${MERVALE_WIN32_RELEASE_DIR:-$root/build-win32-release}

if [[ ${1:-} != --inside-display ]]; then
  "$root/scripts/ensure-packages.sh" "The Wine smoke test" wine wine64 xvfb xauth xdotool \
    x11-utils imagemagick unzip
  MERVALE_TARGET=smoke_probe "$root/scripts/windows-build.sh"
  "$root/scripts/windows-release.sh"
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" --inside-display
fi

source "$root/scripts/wine-prefix.sh"
shots=$build/smoke
mkdir -p "$shots"
probe=$build/tests/smoke_probe.exe
installer=$(echo "$release"/release/Mervale-*-setup.exe)

fail() {
  echo "SMOKE FAILED: $*" >&2
  import -window root "$shots/failure.png" 2>/dev/null && echo "screen at the failure: $shots/failure.png" >&2
  exit 1
}
step() { echo "smoke: $*"; }
wine_text() { wine "$@" 2>/dev/null | tr -d '\r'; }
probe() { wine_text "$probe" "$@"; }
# Waits up to $1 seconds for the command after it to succeed.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}
registry_value() { wine_text reg query "$1" /v "$2" | awk -v name="$2" '$1 == name {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print}'; }

user=$(wine_text cmd /c 'echo %USERNAME%')
home_unix=$WINEPREFIX/drive_c/users/$user
# A folder of its own that the installation makes, with a space in its path.
install_parent_unix="$WINEPREFIX/drive_c/Program Files Test"
install_dir="C:\\Program Files Test\\Mervale"
installed_exe="$install_dir\\mervale.exe"
install_unix=$install_parent_unix/Mervale
start_menu_entry="$home_unix/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mervale.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mervale'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

exe=$release/release/Mervale/mervale.exe
subsystem=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '$1 == "Subsystem" {print $2}')
[[ $subsystem == 00000002 ]] || fail "mervale.exe is not a window program (subsystem $subsystem)"
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
grep -Eq 'qt|libstdc|libgcc|libwinpthread|jpeg' <<<"$dlls" && fail "mervale.exe needs DLLs beside it: $dlls"
grep -q 'activeCodePage' "$exe" || fail "mervale.exe has no manifest with its code page"
step "mervale.exe: window program, system DLLs only ($dlls)"
zip_listing=$(unzip -Z1 "$release"/release/Mervale-*-win64.zip | sort | tr '\n' ' ')
for file in Mervale/mervale.exe Mervale/Languages/English.txt Mervale/Languages/German.txt \
  Mervale/LICENSE.txt Mervale/NOTICE.txt Mervale/licenses/Qt.txt Mervale/licenses/libjpeg-turbo.txt; do
  grep -qw "$file" <<<"$zip_listing" || fail "$file missing from the zip: $zip_listing"
done

# /D= takes the rest of the command line unquoted, which only cmd passes on as it stands.
cp "$installer" "$WINEPREFIX/drive_c/"
installer_ended() { ! pgrep -f "$(basename "$installer")" >/dev/null; }
install_into() {
  wine cmd /c "C:\\$(basename "$installer") /S /D=$1" >/dev/null 2>&1 &&
    wait_until 60 installer_ended
}
step "installing $(basename "$installer") for the user into $install_dir"
install_into "$install_dir" || fail "the installer failed"
wait_until 60 test -f "$install_unix/uninstall.exe" || fail "nothing installed in $install_unix"
for file in mervale.exe Languages/English.txt Languages/German.txt LICENSE.txt NOTICE.txt licenses/LGPL-3.txt; do
  [[ -f $install_unix/$file ]] || fail "$file not installed"
done
[[ -f $start_menu_entry ]] || fail "no Start menu entry"
[[ $(registry_value "$uninstall_key" InstallLocation) == "$install_dir" ]] ||
  fail "no uninstall entry for $install_dir"

start_program() {
  wine "$installed_exe" >/dev/null 2>&1 &
  window=$(probe window Mervale 90) || fail "no Mervale window: $window"
  step "window found: $window"
}
step "starting $installed_exe"
start_program

program_count() { pgrep -fc 'Mervale.mervale\.exe' || true; }
second_start() {
  timeout 60 wine "$installed_exe" >/dev/null 2>&1 || fail "a second start did not end with status 0"
  (($(program_count) == 1)) || fail "$(program_count) programs run after a second start"
}
second_start
step "a second start ended at once; one program runs"

# The tray icon: Wine draws the notification area along the bottom of the virtual desktop.
read -r _ tray_x tray_y tray_w tray_h < <(probe tray) || fail "no tray window"
((tray_w > 0 && tray_h > 0)) || fail "the tray is empty"
desktop=$(xdotool search --name 'Wine desktop' | head -n 1)
icon_x=$((tray_x + tray_w - tray_h / 2))
icon_y=$((tray_y + tray_h / 2))
step "tray at $tray_x,$tray_y ${tray_w}x$tray_h; right click at $icon_x,$icon_y"

program_windows() { xwininfo -root -tree | grep -c '"mervale.exe"' || true; }
windows_before=$(program_windows)
more_windows() { (($(program_windows) > windows_before)); }
xdotool mousemove --window "$desktop" "$icon_x" "$icon_y" click 3
wait_until 10 more_windows || fail "no tray menu opened"
sleep 1
import -window root "$shots/tray-menu.png"
step "tray menu open: screenshot $shots/tray-menu.png"

# Show, Mode > Automatic, Manual, CPU 1.
xdotool key --delay 200 Down Down Right Down Down Return
mask=$(probe new-process 1 20) || fail "a new process was not pinned to CPU 1: $mask"
step "new suspended process after Mode > CPU 1: $mask"
import -window root "$shots/after-cpu1.png"

# Autostart: the Options button at the bottom right of the main window opens the Options window,
# whose first box has the focus.
read -r _ win_x win_y win_w win_h <<<"$window"
xdotool mousemove --window "$desktop" $((win_x + win_w - 50)) \
  $((win_y + win_h - 25)) click 1
options=$(probe window Options 20) || fail "no Options window: $options"
xdotool key space
autostart_is_installed_exe() { [[ $(registry_value "$run_key" Mervale) == "\"$installed_exe\"" ]]; }
wait_until 20 autostart_is_installed_exe ||
  fail "autostart names $(registry_value "$run_key" Mervale), not \"$installed_exe\""
step "autostart entry: \"$installed_exe\""

program_running() { pgrep -f 'Mervale.mervale\.exe' >/dev/null; }
program_ended() { ! program_running; }
exit_program() {
  xdotool mousemove --window "$desktop" "$icon_x" "$icon_y" click 3
  sleep 1
  # Show, Mode, Donation, Exit: the last item.
  xdotool key --delay 200 Up Return
  wait_until 30 program_ended || fail "Exit left the program running"
}
exit_program
step "Exit ended the program"

# A new logon: Wine's wineboot starts the Run key's programs as Windows does.
wine wineboot >/dev/null 2>&1
window=$(probe window Mervale 90) || fail "autostart did not start the program: $window"
pgrep -f 'Files Test.Mervale.mervale\.exe' >/dev/null || fail "the program started is not the installed one"
step "started again by autostart from $installed_exe"

probe minimize Mervale 20 >/dev/null || fail "minimising did not hide the window into the tray"
second_start
window=$(probe window Mervale 20) || fail "a second start did not bring the window back from the tray"
step "a second start brought the window back from the tray"

step "installing again over the running program"
install_into "$install_dir" || fail "the installer failed"
wait_until 30 program_ended || fail "the installer left the program running"
[[ -f $install_unix/mervale.exe ]] || fail "the installation over the running program is incomplete"
step "the installer ended the program first"

start_program
# What earlier versions wrote: the bare path.
wine reg add "$run_key" /v Mervale /d "$installed_exe" /f >/dev/null 2>&1
step "uninstalling while the program runs"
wine "$install_dir\\uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed"
install_parent_gone() { [[ ! -e $install_parent_unix ]]; }
wait_until 60 install_parent_gone || fail "left behind: $(find "$install_parent_unix" | tr '\n' ' ')"
program_ended || fail "the uninstaller left the program running"
[[ ! -e $start_menu_entry ]] || fail "the Start menu entry is still there"
[[ -z $(registry_value "$uninstall_key" InstallLocation) ]] || fail "the uninstall entry is still there"
[[ -z $(registry_value "$run_key" Mervale) ]] || fail "the older autostart entry is still there"
[[ -f $home_unix/AppData/Roaming/Mervale/Settings.ini ]] || fail "the user's settings went too"
step "uninstalled: program ended, its folders, Start menu entry, uninstall and autostart entries gone; settings kept"

# The default folder, and the quoted autostart value that the program writes.
local_unix=$home_unix/AppData/Local
local_before=$(ls -A "$local_unix")
wine "C:\\$(basename "$installer")" /S >/dev/null 2>&1 || fail "the installer failed"
default_exe="C:\\users\\$user\\AppData\\Local\\Programs\\Mervale\\mervale.exe"
wait_until 60 test -f "$local_unix/Programs/Mervale/uninstall.exe" || fail "nothing installed in the default folder"
wait_until 60 installer_ended || fail "the installer did not end"
wine reg add "$run_key" /v Mervale /d "\"$default_exe\"" /f >/dev/null 2>&1
wine "${default_exe%mervale.exe}uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed"
local_restored() { [[ $(ls -A "$local_unix") == "$local_before" ]]; }
wait_until 60 local_restored || fail "left behind in the default folder: $(ls -A "$local_unix" | tr '\n' ' ')"
[[ -z $(registry_value "$run_key" Mervale) ]] || fail "the autostart entry is still there"
step "installed into and uninstalled from the default folder: nothing left, autostart entry gone"

outside=$(find "$WINE_TEST_HOME" -mindepth 1 | tr '\n' ' ')
[[ -z $outside ]] || fail "written outside the prefix: $outside"
step "nothing written outside the prefix"

echo "screenshot of the tray menu, base64 PNG of $shots/tray-menu.png:"
base64 -w 120 "$shots/tray-menu.png"
echo "smoke: passed"
