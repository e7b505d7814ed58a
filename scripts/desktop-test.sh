#!/usr/bin/env bash
# Runs the real program on three desktops and checks, through D-Bus and the window system (never
# pixels), what a user meets there in the first minute:
#   xfce    Xvfb, xfwm4 and xfce4-panel, whose systray is a StatusNotifierItem watcher and host;
#   trayer  Xvfb, xfwm4 and trayer, the XEmbed tray;
#   sway    headless sway with waybar's tray (StatusNotifierItem), the program on Qt's wayland
#           platform.
# Each desktop has a session bus of its own; every run of Mervale is PID 1 of a PID namespace of its
# own, with a throwaway configuration folder. Checked: the exported tray menu (the five modes as
# radio items, exactly the current one toggled) and a mode chosen from it (the marks and
# Settings.ini follow); "Start minimized" with and without a tray; six minimise and click-back
# cycles leaving nothing mapped; Options, About and Donation as dialogs of the main window
# (transient for it on X11, floating on sway); a second start bringing the window forward (focused,
# or at least asking for attention). Each check prints a PASS or FAIL line, and the last line
# counts them. A desktop gets two minutes at most: one that hangs ends with a FAIL line.
#
# Usage: scripts/desktop-test.sh [xfce] [trayer] [sway]      (all three when none is named)
#   MERVALE_SCREENSHOTS=DIR      keeps pictures in DIR: Xfce's tray menu opened by a right click on
#                                the icon, and the sway desktop (no pointer there to open a menu)
#   MERVALE_DESKTOP_DISPLAY=N    the X displays are :N, else the first free ones
#   MERVALE_DESKTOP_KEEP=1       keeps the logs of each desktop (the folder is printed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
program=$build/app/mervale
python=/usr/bin/python3

if [[ ${1:-} != --desktop ]]; then
  desktops=("$@")
  ((${#desktops[@]})) || desktops=(xfce trayer sway)
  for desktop in "${desktops[@]}"; do
    [[ $desktop =~ ^(xfce|trayer|sway)$ ]] || {
      echo "usage: scripts/desktop-test.sh [xfce] [trayer] [sway]" >&2
      exit 2
    }
  done
  "$root/scripts/ensure-packages.sh" "The desktop test" xvfb xfce4-panel xfconf xfwm4 trayer sway \
    waybar qt6-wayland weston grim dbus dbus-daemon libglib2.0-bin x11-utils xdotool imagemagick \
    python3-gi util-linux
  MERVALE_TARGET=mervale "$root/scripts/build.sh" >/dev/null
  # sway and waybar, run as another user, must reach the folders and the bus socket made here.
  umask 022
  work=$(mktemp -d /tmp/mervale-desktop-stage.XXXXXX)
  chmod 755 "$work"
  if [[ ${MERVALE_DESKTOP_KEEP:-} == 1 ]]; then
    echo "logs: $work"
  else
    trap 'rm -rf "$work"' EXIT
  fi
  # Only what the desktops need can be started by the bus: no accessibility bus, no dconf.
  mkdir "$work/services"
  cp /usr/share/dbus-1/services/org.xfce.Xfconf.service "$work/services/"
  cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services</servicedir>
  <!-- sway and waybar run as an ordinary user, the program as root: both on one bus. -->
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  started=$SECONDS
  for desktop in "${desktops[@]}"; do
    home=$work/$desktop
    mkdir -p "$home/config" "$home/cache" "$home/run"
    chmod 700 "$home/run"
    # timeout signals its whole process group: the desktop's script ends what it started.
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/run \
      NO_AT_BRIDGE=1 timeout -k 20 120 dbus-run-session --config-file="$work/bus.conf" -- \
      bash "$0" --desktop "$desktop" "$home" 2>"$home/errors.log" | tee -a "$work/results" || true
    [[ -f $home/finished ]] || {
      echo "FAIL $desktop: the desktop ended early; its last messages:"
      tail -n 15 "$home/errors.log" | sed 's/^/  /'
    } | tee -a "$work/results"
  done
  passed=$(grep -c '^PASS ' "$work/results" || true)
  failed=$(grep -c '^FAIL ' "$work/results" || true)
  echo "desktop test: $((SECONDS - started)) s"
  echo "$passed passed, $failed failed"
  ((failed == 0))
  exit
fi

# Inside a desktop's session bus, with HOME and the XDG folders of its own. A failed step fails
# the checks after it, which still run.
set +e
desktop=$2
home=$3
cd "$home"
# What this desktop started, ended in reverse order when it ends. unshare ignores SIGTERM: the
# program itself is asked to end first.
pids=()
outer=
window=
stop_all() {
  [[ -z $outer ]] || program_ended || stop_program
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
}
trap stop_all EXIT

pass() { echo "PASS $desktop: $*"; }
fail() { echo "FAIL $desktop: $*"; }
# check DESCRIPTION COMMAND...: one PASS or FAIL line for the command's status, which it returns.
check() {
  local what=$1
  shift
  if "$@"; then
    pass "$what"
  else
    fail "$what"
    return 1
  fi
}
# Waits up to $1 seconds for the command after it to succeed: generous, for a loaded machine.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# --- Mervale --------------------------------------------------------------------------------------
config=$home/mervale
settings=$config/Mervale/Settings.ini
# The environment of every start of the program; the sway desktop adds its own.
program_env=(XDG_CONFIG_HOME="$config")
# Settings.ini as a first start writes it (mode Off), "Start minimized" as $1 says (T or F).
write_settings() {
  mkdir -p "$config/Mervale"
  printf '4\r\nF\r\n%s\r\n0\r\n1\r\nF\r\n' "$1" >"$settings"
}
stored_mode() { head -n 1 "$settings" | tr -d '\r'; }
# Starts the program as PID 1 of a PID namespace of its own; $inner is its PID seen from here.
start_program() {
  env "${program_env[@]}" unshare --pid --fork --mount-proc --kill-child "$program" \
    >>"$home/program.log" 2>&1 &
  outer=$!
  pids+=("$outer")
  inner=
  wait_until 30 program_known
}
program_known() {
  inner=$(tr -d ' ' <"/proc/$outer/task/$outer/children" 2>/dev/null) || true
  [[ -n $inner ]]
}
program_ended() { ! kill -0 "$outer" 2>/dev/null; }
stop_program() {
  kill -TERM "$inner" 2>/dev/null || true
  wait "$outer" 2>/dev/null || true
}
# A second start in the first one's namespace, as a launcher would start it; its messages go to
# $home/second-start.log.
second_start() {
  env "${program_env[@]}" "$@" nsenter --target "$inner" --pid --mount -- "$program" \
    >"$home/second-start.log" 2>&1
}
check_second_start_ended() {
  check "a second start ends at once, saying it brought the window forward" \
    grep -q "brought forward" "$home/second-start.log"
}

# --- The tray over D-Bus (StatusNotifierItem and dbusmenu) ------------------------------------------
watcher_has_host() {
  gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
    IsStatusNotifierHostRegistered 2>/dev/null | grep -q true
}
# Sets $item_service and $item_path from the watcher's first registered item.
item_registered() {
  local entry
  entry=$(gdbus call --session --dest org.kde.StatusNotifierWatcher \
    --object-path /StatusNotifierWatcher --method org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null |
    grep -o "'[^']*'" | head -n 1 | tr -d "'")
  [[ -n $entry ]] || return 1
  item_service=${entry%%/*}
  item_path=/${entry#*/}
  [[ $entry == */* ]] || item_path=/StatusNotifierItem
}
item_call() {
  gdbus call --session --dest "$item_service" --object-path "$item_path" --method "$@"
}
# Sets $menu_path from the item's Menu property; Qt names /NO_DBUSMENU when it exports no menu.
menu_exported() {
  menu_path=$(item_call org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu |
    grep -o "'/[^']*'" | tr -d "'")
  [[ -n $menu_path && $menu_path != /NO_DBUSMENU ]]
}
activate_item() { item_call org.kde.StatusNotifierItem.Activate 0 0 >/dev/null; }
# The exported menu, one item a line: id, depth, toggle-type, toggle-state, label (tab-separated).
menu_items() {
  gdbus call --session --dest "$item_service" --object-path "$menu_path" \
    --method com.canonical.dbusmenu.GetLayout -- 0 -1 '[]' | "$python" -c '
import sys
from gi.repository import GLib
def walk(node, depth):
    ident, props, children = node
    if depth:
        print(ident, depth, props.get("toggle-type", "-"), props.get("toggle-state", "-"),
              props.get("label", ""), sep="\t")
    for child in children:
        walk(child, depth + 1)
walk(GLib.Variant.parse(None, sys.stdin.read(), None, None).unpack()[1], 0)'
}
# The ids of the mode items (radio items, in menu order) and the index of the toggled ones.
mode_item_ids() { menu_items | awk -F '\t' '$3 == "radio" {print $1}'; }
toggled_modes() { menu_items | awk -F '\t' '$3 == "radio" {if ($4 == 1) print n; n++}'; }
menu_item_id() { menu_items | awk -F '\t' -v label="$1" '$5 == label {print $1; exit}'; }
click_menu_item() {
  gdbus call --session --dest "$item_service" --object-path "$menu_path" \
    --method com.canonical.dbusmenu.Event -- "$1" clicked '<int32 0>' 0 >/dev/null
}
modes_show() { [[ $(toggled_modes | tr '\n' ' ') == "$1 " ]]; }
mode_took_effect() { modes_show "$1" && [[ $(stored_mode) == "$1" ]]; }

# The menu and a mode chosen from it, on a StatusNotifierItem tray.
check_exported_menu() {
  if ! check "the tray icon exports its menu over dbusmenu (Menu is not /NO_DBUSMENU)" \
    menu_exported; then
    fail "the menu's five modes as radio items (no menu)"
    fail "a mode chosen from the exported menu (no menu)"
    return 0
  fi
  local ids
  ids=($(mode_item_ids))
  check "the menu has the five modes as radio items (${#ids[@]} found)" test "${#ids[@]}" -eq 5
  check "exactly the current mode ($(stored_mode)) is toggled" modes_show "$(stored_mode)"
  if ((${#ids[@]} == 5)); then
    # CPU 1, the third mode.
    click_menu_item "${ids[2]}"
    check "choosing \"$(menu_items | awk -F '\t' -v id="${ids[2]}" '$1 == id {print $5}')\" from the menu: toggled alone and stored in Settings.ini" \
      wait_until 30 mode_took_effect 2
  else
    fail "a mode chosen from the exported menu (no mode items)"
  fi
}

# --- X11 ---------------------------------------------------------------------------------------------
start_x() {
  # -displayfd: the server picks a free display and names it once it takes connections.
  Xvfb ${MERVALE_DESKTOP_DISPLAY:+:$MERVALE_DESKTOP_DISPLAY} -displayfd 3 -screen 0 1280x800x24 \
    -nolisten tcp 3>"$home/display" 2>>"$home/x.log" &
  pids+=($!)
  wait_until 30 test -s "$home/display"
  export DISPLAY=:$(cat "$home/display")
  program_env+=(QT_QPA_PLATFORM=xcb)
}
start_xfwm4() {
  xfwm4 --compositor=off 2>>"$home/desktop.log" &
  pids+=($!)
  wait_until 30 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}
map_state() { [[ -n $1 ]] && xwininfo -id "$1" 2>/dev/null | awk '/Map State:/ {print $3}'; }
viewable() { [[ $(map_state "$1") == IsViewable ]]; }
# The program's windows titled $1, mapped or not: menus and tray icons among them.
windows_titled() {
  xwininfo -root -tree | awk -v title="\"$1\":" '$2 == title && $3 == "(\"mervale\"" {print $1}'
}
# Menus and tray icons are the windows that no window manager manages; a menu is the root's child.
override_redirect() { xwininfo -id "$1" -stats | grep -q 'Override Redirect State: yes'; }
root_child() { xwininfo -children -id "$1" | grep -q 'Parent window id: .*(the root window)'; }
# The program's window titled $1 that a window manager manages, mapped or not, in $found.
window_titled() {
  for found in $(windows_titled "$1"); do
    override_redirect "$found" || return 0
  done
  return 1
}
# The program's menus on screen (popups of its own).
menus_open() {
  local w count=0
  for w in $(windows_titled Mervale); do
    override_redirect "$w" && root_child "$w" && viewable "$w" && ((count++))
  done
  ((count == $1))
}
# The main window, in $window once it is on screen: a program started hidden has none before.
main_window_shown() { window_titled Mervale && window=$found && viewable "$window"; }
# The windows directly under the root that are on screen: a window manager's frames among them.
screen_windows() {
  local w
  for w in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
    viewable "$w" && echo "$w"
  done | sort
}
nothing_more_on_screen() { [[ $(screen_windows) == "$bare_screen" ]]; }
# Whether the window manager gives the focus to window $1, or shows that it asks for attention.
active_window() { printf '0x%x' "$(xdotool getactivewindow 2>/dev/null || echo 0)"; }
focused() { [[ $(active_window) == "$1" ]]; }
asks_attention() {
  xprop -id "$1" _NET_WM_STATE WM_HINTS | grep -qE '_NET_WM_STATE_DEMANDS_ATTENTION|[Uu]rgency'
}
focused_or_asking() { focused "$1" || asks_attention "$1"; }
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*'; }
# Opens a window of the program by $2... and checks that the window titled $1 is transient for the
# main window.
check_dialog() {
  local title=$1
  shift
  if dialog_open "$title"; then
    fail "\"$title\" was open before it was asked for"
    return
  fi
  "$@"
  if wait_until 30 dialog_open "$title"; then
    check "\"$title\" is a dialog of the main window (WM_TRANSIENT_FOR)" \
      test "$(transient_for "$found")" == "$window"
  else
    fail "\"$title\" did not open"
  fi
}
# Clicks the main window at $1,$2 from its bottom right corner if negative.
click_in_window() {
  local x=$1 y=$2 WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$window")"
  ((x >= 0)) || x=$((WIDTH + x))
  ((y >= 0)) || y=$((HEIGHT + y))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}
open_options() { click_in_window -50 -23; }
open_about() { click_in_window -34 24; }

# Minimise by the window manager ($1 restores): each time nothing of the program may stay on
# screen, and the click brings the window back.
check_minimise_cycles() {
  local restore=$1 cycle
  for cycle in 1 2 3 4 5 6; do
    xdotool windowminimize "$window"
    if ! wait_until 30 nothing_more_on_screen; then
      fail "minimise $cycle of 6 left windows on screen: $(comm -13 <(echo "$bare_screen") <(screen_windows) | tr '\n' ' ')"
      return 0
    fi
    "$restore"
    if ! wait_until 30 viewable "$window"; then
      fail "minimise $cycle of 6: a click on the tray icon did not bring the window back"
      return 0
    fi
  done
  pass "six times minimised into the tray, nothing left on screen, and clicked back"
  check "Qt never warned of a window state set on a mapped window" \
    eval '! grep -q setNetWmStateOnUnmappedWindow "$home/program.log"'
}

# A second start while another window has the focus.
check_second_start_x11() {
  xmessage -geometry 300x80+20+680 "another window" &
  local other=$!
  pids+=("$other")
  local thief
  wait_until 30 eval 'thief=$(xwininfo -root -tree | awk "/\"xmessage\"/ {print \$1; exit}"); [[ -n $thief ]] && focused "$thief"' ||
    fail "the other window did not take the focus"
  second_start
  check_second_start_ended
  check "after a second start the window is focused or asks for attention" \
    wait_until 30 focused_or_asking "$window"
  focused "$window" && echo "  (focused)"
  kill "$other"
}

# Keeps a picture of the screen's region at $2,$3 of $4x$5 as $1.png in $MERVALE_SCREENSHOTS, if set.
keep_picture() {
  [[ -n ${MERVALE_SCREENSHOTS:-} ]] || return 0
  mkdir -p "$MERVALE_SCREENSHOTS"
  local file=$MERVALE_SCREENSHOTS/$1.png
  if [[ $desktop == sway ]]; then
    # The whole screen at half size.
    grim -s 0.5 -g "$2,$3 $4x$5" "$file"
  else
    import -window root -crop "$4x$5+$2+$3" +repage "$file"
  fi
  echo "  picture: $file"
}

# --- XEmbed (trayer) -------------------------------------------------------------------------------
icon_embedded() {
  for icon in $(windows_titled Mervale); do
    override_redirect "$icon" && ! root_child "$icon" && viewable "$icon" && return 0
  done
  return 1
}
double_click_icon() { xdotool mousemove --window "$icon" 10 10 click --repeat 2 --delay 80 1; }
# Chooses from the program's own menu, opened by a right click on its icon, with "Mode" open by
# keys, by the keys given, until the command $1 succeeds. The submenu opening tells that the menu
# has the keyboard; should the window manager still take the keys (a window it is focusing), the
# menu is opened again, three times at most.
choose_from_menu() {
  local chosen=$1 try
  shift
  for try in 1 2 3; do
    xdotool mousemove --window "$icon" 10 10 click 3
    # Away from the menu, so that no item is chosen by the pointer.
    wait_until 30 menus_open 1 && xdotool mousemove 0 0 key --delay 100 Down Down Right
    wait_until 10 menus_open 2 && xdotool key --delay 100 "$@"
    wait_until 10 $chosen && return 0
    echo "  (the menu missed the keys $*; opened again)"
    xdotool key Escape Escape Escape
  done
  return 1
}
dialog_open() { window_titled "$1" && viewable "$found"; }
mode_stored() { [[ $(stored_mode) == "$1" ]]; }

run_trayer() {
  start_x
  start_xfwm4
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    2>>"$home/desktop.log" &
  pids+=($!)
  wait_until 30 eval 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"'
  bare_screen=$(screen_windows)
  write_settings T
  xev -root -event substructure >"$home/maps.log" &
  local watcher=$!
  pids+=("$watcher")
  start_program
  check "the tray icon is embedded in the tray" wait_until 30 icon_embedded
  check_start_hidden "$watcher" double_click_icon
  # The window manager focusing the window as the menu opens would take the keys from the menu.
  wait_until 30 focused "$window"
  # Mode > Automatic, Manual, CPU 1.
  check "a right click opens the program's menu, where Mode > CPU 1 is stored in Settings.ini" \
    choose_from_menu "mode_stored 2" Down Down Return
  check_minimise_cycles double_click_icon
  check_second_start_x11
  check_dialog Options open_options
  check_dialog Info open_about
  # Below "Mode": "Restore all CPUs", "Donation", "Exit".
  check_dialog Donation choose_from_menu "dialog_open Donation" Left Down Down Return
  check "\"Exit\" in the menu ends the program" \
    choose_from_menu program_ended Left Down Down Down Return
}

# --- The desktops ------------------------------------------------------------------------------------
# The program is started hidden: a window shown late, by a timer, gets two seconds to come before
# the tray's click. Not a limit on speed: only a flash later than that would go unseen.
let_a_late_flash_come() { sleep 2; }
# Shows the hidden window by the tray's click ($1, $2 tells whether the window is shown); should
# that fail, a second start shows it for the checks after it.
check_click_shows() {
  if "$2"; then
    fail "a click on the tray icon shows the window (it was on screen before the click)"
    return
  fi
  "$1"
  check "a click on the tray icon shows the window" wait_until 30 "$2" || {
    second_start
    wait_until 30 "$2"
  }
}

# A window managed by the window manager was mapped (xev's log $1).
managed_window_mapped() { grep -A1 MapNotify "$1" | grep -q "override NO"; }
# Started hidden, the program mapped nothing until the tray's click ($2) shows it; xev ($1, which
# watches the root) must see that window come, or it could not have seen a flash.
check_start_hidden() {
  let_a_late_flash_come
  cp "$home/maps.log" "$home/maps-at-start.log"
  check_click_shows "$2" main_window_shown
  wait_until 30 managed_window_mapped "$home/maps.log"
  kill "$1"
  check "with a tray, \"Start minimized\" maps no window, not even for a moment" eval \
    '! managed_window_mapped "$home/maps-at-start.log" && managed_window_mapped "$home/maps.log"'
}

run_xfce() {
  start_x
  start_xfwm4
  write_settings T
  start_program
  check "with no tray, \"Start minimized\" starts the window shown" wait_until 30 main_window_shown
  stop_program

  mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
  cp "$root/scripts/desktop/xfce4-panel.xml" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/"
  xfce4-panel 2>>"$home/desktop.log" &
  pids+=($!)
  # Qt looks for a tray once, at the start: the program starts after the panel's host is there.
  wait_until 30 watcher_has_host
  bare_screen=$(screen_windows)
  xev -root -event substructure >"$home/maps.log" &
  local watcher=$!
  pids+=("$watcher")
  start_program
  check "the tray icon is registered with the watcher" wait_until 30 item_registered
  # A flash comes at the start: the menu answering tells that the start is done.
  menu_exported && menu_items >/dev/null
  check_start_hidden "$watcher" activate_item
  check_exported_menu
  check_minimise_cycles activate_item
  check_second_start_x11
  picture_xfce_menu
  check_dialog Options open_options
  check_dialog Info open_about
  if menu_exported; then
    check_dialog Donation click_menu_item "$(menu_item_id Donation)"
    click_menu_item "$(menu_item_id Exit)"
    check "\"Exit\" in the exported menu ends the program" wait_until 30 program_ended
  fi
  stop_program
}

# The panel's menu of the tray icon, opened by a right click on it, with "Mode" open.
picture_xfce_menu() {
  [[ -n ${MERVALE_SCREENSHOTS:-} ]] || return 0
  local width
  width=$(xwininfo -root | awk '/Width:/ {print $2}')
  xdotool mousemove $((width - 15)) 15 click 3
  wait_until 30 panel_menus_open 1 && xdotool key Down Down Right
  wait_until 30 panel_menus_open 2
  keep_picture desktop-xfce-tray-menu $((width - 420)) 0 420 260
  xdotool key Escape Escape Escape
}
# The panel's menus on screen: popups of the plugin's process that draws the tray.
panel_menus_open() {
  local w count=0
  for w in $(xwininfo -root -children | awk '/\("wrapper-2.0"/ {print $1}'); do
    override_redirect "$w" && viewable "$w" && ((count++))
  done
  ((count == $1))
}

# --- Wayland (sway) --------------------------------------------------------------------------------
# sway and waybar run as an ordinary user, with a runtime folder of their own; the program, as root,
# reaches sway's socket by its full path. Started in the background, the function becomes the
# command, so that $! is the command's own PID.
sway_user=nobody
as_sway_user() {
  exec setpriv --reuid="$sway_user" --regid="$(id -gn "$sway_user")" --clear-groups \
    env HOME="$home/sway-home" XDG_RUNTIME_DIR="$home/sway-run" "$@"
}
# The views in sway's tree, one a line: app_id, focused, urgent, floating or tiled, title.
sway_views() {
  swaymsg -t get_tree | "$python" -c '
import json, sys
def walk(node, floating):
    if node.get("app_id") is not None or node.get("window") is not None:
        print(node.get("app_id"), node["focused"], node["urgent"],
              "floating" if floating else "tiled", node["name"], sep="\t")
    for child in node.get("nodes", []):
        walk(child, floating)
    for child in node.get("floating_nodes", []):
        walk(child, True)
walk(json.load(sys.stdin), False)'
}
# The line of the program's view titled $1.
sway_view() { sway_views | awk -F '\t' -v title="$1" '$1 == "mervale" && $5 == title'; }
sway_view_shown() { [[ -n $(sway_view "$1") ]]; }
sway_main_view_shown() { sway_view_shown Mervale; }
sway_focused_or_urgent() { sway_view Mervale | awk -F '\t' '$2 == "True" || $3 == "True"' | grep -q .; }
sway_focused_elsewhere() { sway_views | awk -F '\t' '$2 == "True" && $1 != "mervale"' | grep -q .; }

start_sway() {
  mkdir -p "$home/sway-home" "$home/sway-run"
  chown "$sway_user:$(id -gn "$sway_user")" "$home/sway-home" "$home/sway-run"
  chmod 700 "$home/sway-run"
  cat >"$home/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x800
xwayland disable
CONF
  cat >"$home/waybar.json" <<'CONF'
{"position": "top", "height": 30, "modules-left": ["sway/workspaces"], "modules-right": ["tray"],
 "tray": {"icon-size": 20, "spacing": 6}}
CONF
  echo 'window#waybar { background: #2b303b; color: #ffffff; font-family: sans-serif; }' \
    >"$home/waybar.css"
  as_sway_user WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$home/sway.conf" >>"$home/desktop.log" 2>&1 &
  pids+=($!)
  wait_until 30 eval 'compgen -G "$home/sway-run/sway-ipc.*.sock" >/dev/null && test -S "$home/sway-run/wayland-1"'
  export SWAYSOCK=$(compgen -G "$home/sway-run/sway-ipc.*.sock") WAYLAND_DISPLAY=$home/sway-run/wayland-1
  as_sway_user WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK" \
    waybar -c "$home/waybar.json" -s "$home/waybar.css" >>"$home/desktop.log" 2>&1 &
  pids+=($!)
  wait_until 30 watcher_has_host
}

run_sway() {
  start_sway
  program_env+=(QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$WAYLAND_DISPLAY")
  write_settings T
  # Line-buffered, so that each event is in the file as it comes. A workspace of its own, visited
  # until the watcher reports it, shows that the watcher listens.
  stdbuf -oL swaymsg -t subscribe -m '["window", "workspace"]' >"$home/views.log" 2>&1 &
  local watcher=$!
  pids+=("$watcher")
  wait_until 30 eval 'swaymsg "workspace listening; workspace 1" >/dev/null
    grep -q listening "$home/views.log"'
  start_program
  check "the tray icon is registered with waybar's watcher" wait_until 30 item_registered
  # A flash comes at the start: the menu answering tells that the start is done.
  menu_exported && menu_items >/dev/null
  let_a_late_flash_come
  local at_start
  at_start=$(cat "$home/views.log")
  check_click_shows activate_item sway_main_view_shown
  # The same watcher saw the window come: it would have seen a flash.
  check "with a tray, \"Start minimized\" shows no window, not even for a moment" eval \
    '! grep -q "\"app_id\": \"mervale\"" <<<"$at_start" && grep -q "\"app_id\": \"mervale\"" "$home/views.log"'
  kill "$watcher"
  check_exported_menu

  weston-flower >>"$home/desktop.log" 2>&1 &
  local flower=$!
  pids+=("$flower")
  wait_until 30 sway_focused_elsewhere || fail "another window did not take the focus"
  second_start
  check_second_start_ended
  check "after a second start the window is focused or urgent" wait_until 30 sway_focused_or_urgent
  sway_view Mervale | awk -F '\t' '{print "  (focused " $2 ", urgent " $3 ")"}'
  kill "$flower"

  if menu_exported; then
    click_menu_item "$(menu_item_id Donation)"
    if wait_until 30 sway_view_shown Donation; then
      check "\"Donation\" is a dialog: floating, not tiled beside the main window" \
        eval '[[ $(sway_view Donation | cut -f 4) == floating ]]'
    else
      fail "\"Donation\" did not open"
    fi
    keep_picture desktop-sway-tray 0 0 1280 800
    click_menu_item "$(menu_item_id Exit)"
    check "\"Exit\" in the exported menu ends the program" wait_until 30 program_ended
  fi
}

case $desktop in
  xfce) run_xfce ;;
  trayer) run_trayer ;;
  sway) run_sway ;;
esac
touch "$home/finished"
