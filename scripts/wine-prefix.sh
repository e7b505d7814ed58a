# Sourced by the Wine scripts, inside their virtual X display: a throwaway Wine prefix (the tests
# write the user's Run key and application-data folder), removed on exit together with its server.
# Every Wine program of the session shares one Wine virtual desktop of $WINE_DESKTOP_SIZE, where
# Wine itself moves, minimises and activates the windows as Windows would; bare X has no window
# manager to do that.
# Everything the tests leave lies below one temporary folder: the prefix, and the home that Wine and
# the tools see ($WINE_TEST_HOME), so nothing reaches the real user's files. Wine's menu builder,
# which would turn the installer's Start menu entry into menu files and icons of the home, is off.
wine_root=$(mktemp -d "${TMPDIR:-/tmp}/mervale-wine.XXXXXX")
WINEPREFIX=$wine_root/prefix
WINE_TEST_HOME=$wine_root/home
mkdir -p "$WINEPREFIX" "$WINE_TEST_HOME"
export WINEPREFIX WINE_TEST_HOME HOME=$WINE_TEST_HOME WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
wine_prefix_cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$wine_root"
}
trap wine_prefix_cleanup EXIT

# One persistent server, and the prefix set up before the first program: otherwise Wine's
# background processes keep the callers' output pipes open after every program. The desktop is
# set before the server that draws it starts again.
wine_boot_log="$wine_root/boot.log"
if ! {
  wineserver -p &&
    wineboot -i &&
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${WINE_DESKTOP_SIZE:-1024x768}" /f &&
    wineserver -k && wineserver -w &&
    wineserver -p &&
    wine cmd /c exit
} >"$wine_boot_log" 2>&1; then
  cat "$wine_boot_log" >&2
  rm -f "$wine_boot_log"
  exit 1
fi
rm -f "$wine_boot_log"
