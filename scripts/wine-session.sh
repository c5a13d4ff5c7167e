#!/usr/bin/env bash
# Starts and stops what Windows tests share: the Wine prefix (made once per build tree),
# a virtual X display, a persistent wineserver and a keeper window that holds Wine's
# desktop open between tests.
#   wine-session.sh prefix          make the prefix if it is missing
#   wine-session.sh start [KEEPER]  prefix, Xvfb (unless DISPLAY is usable), server, keeper
#   wine-session.sh stop            end all of it
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
state=$TELVIA_WINE_STATE
mkdir -p "$state"

make_prefix() {
  [ -f "$WINEPREFIX/.telvia-ready" ] && return 0
  (
    flock 9
    [ -f "$WINEPREFIX/.telvia-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    timeout 180 wineboot -i >"$state/wineboot.log" 2>&1 || { echo "wine-session: wineboot failed, see $state/wineboot.log" >&2; exit 1; }
    # A crash ends the program with a backtrace instead of a dialog nobody closes.
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    timeout 60 wineserver -w
    touch "$WINEPREFIX/.telvia-ready"
  ) 9>"$state/prefix.lock"
}

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n" >"$state/display"; return 0; }
      sleep 0.1
    done
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
  done
  echo "wine-session: no virtual display could be started" >&2
  return 1
}

stop_all() {
  if [ -f "$state/keeper.pid" ]; then kill "$(cat "$state/keeper.pid")" 2>/dev/null; rm -f "$state/keeper.pid"; fi
  timeout 20 wineserver -k >/dev/null 2>&1
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; rm -f "$state/xvfb.pid"; fi
  rm -f "$state/display" "$state/keeper.ready"
}

case "${1:-}" in
  prefix) make_prefix ;;
  start)
    stop_all
    make_prefix || exit 1
    rm -f "$state/display"
    start_display || exit 1
    . "$here/wine-env.sh"
    # Warm the server and Wine's services once with stdio closed, so that no service
    # started on behalf of a test inherits (and holds open) that test's output pipe.
    wineserver -p >/dev/null 2>&1 </dev/null
    timeout 60 wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
    if [ -n "${2:-}" ]; then
      setsid wine "$2" "$(winepath -w "$state/keeper.ready" 2>/dev/null)" >/dev/null 2>&1 </dev/null &
      echo $! >"$state/keeper.pid"
      for _ in $(seq 300); do [ -f "$state/keeper.ready" ] && break; sleep 0.1; done
      [ -f "$state/keeper.ready" ] || { echo "wine-session: keeper window did not come up" >&2; exit 1; }
    fi
    echo "wine session on $(cat "$state/display")"
    ;;
  stop) stop_all ;;
  *) echo "usage: $0 prefix|start [KEEPER.exe]|stop" >&2; exit 2 ;;
esac
