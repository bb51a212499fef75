# Sourced by the Wine stages: one private Xvfb display and one fresh Wine prefix with one
# wineserver, both stopped by stop_wine_session (by the display's process id and the prefix's own
# server, nothing else). Expects $wine64 and a winpath function.
#   start_wine_session WORK PREFIX   makes WORK/PREFIX, exports WINEPREFIX and DISPLAY
#   stop_wine_session                for the EXIT trap
xvfb_pid=
start_wine_session() {  # work prefix-name
  local work=$1 name=$2
  export WINEPREFIX=$work/$name WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$work"
  rm -f "$work/$name-display"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$work/$name-display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/$name-display" ] && break; sleep 0.1; done
  [ -s "$work/$name-display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
  export DISPLAY=:$(head -1 "$work/$name-display")

  # A fresh prefix. No crash dialogs: a crash is an exit code, not a window waiting for a click.
  # A 1280x720 virtual desktop: no window manager is needed, and Wine does not grab the pointer
  # for a full-screen window there, so the driver can move it.
  rm -rf "$WINEPREFIX"
  timeout 180 "$wine64" wineboot -i >/dev/null 2>&1
  printf '%s\r\n' 'REGEDIT4' '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1280x720"' >"$work/$name.reg"
  timeout 60 "$wine64" reg import "$(winpath "$work/$name.reg")" >/dev/null 2>&1
  timeout 60 wineserver -w
  timeout 60 wineserver -p  # one server for the whole run, stopped by stop_wine_session
  # Wine's own background processes start with the first program and keep its output open: let
  # that be one whose output goes nowhere, so no later pipe waits on them.
  timeout 60 "$wine64" reg query 'HKCU\Software\Wine\Explorer' >/dev/null 2>&1 </dev/null
}
stop_wine_session() {
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
}
