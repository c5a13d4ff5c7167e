#!/usr/bin/env bash
# Builds telvia.exe and starts it under Wine in a working folder of its own. On a usable
# X display the program opens there and this script waits for it; without one it runs on
# a virtual display, a screenshot is saved and its path printed, and the program is ended.
#   scripts/run.sh [LANGUAGE]   LANGUAGE names a folder of translations/, e.g. german
set -euo pipefail
cd "$(dirname "$0")/.."
language=${1:-}
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target telvia >/dev/null

work=$PWD/build/windows/run
mkdir -p "$work"
cp build/windows/src/program/telvia.exe "$work/"
for extra in build/windows/data/channels_init.qcl build/windows/data/demo.wmv; do
  [ -f "$extra" ] && cp "$extra" "$work/"
done

rm -f "$work/translation.ini"
if [ -n "$language" ]; then
  cp "translations/$language/translation.ini" "$work/" || { echo "run: no translations/$language" >&2; exit 2; }
fi

# A prefix of its own, so the tests' registry never mixes with the user's trial runs.
export TELVIA_WINE_STATE=$PWD/build/windows/run-wine
. scripts/wine-env.sh
rm -f "$TELVIA_WINE_STATE/display"
scripts/wine-session.sh prefix

# Until the user has picked a channel, start on the shipped demo, which plays offline.
demo=$(grep -B1 '^demo.wmv' data/channels_init.m3u | head -n 1 | sed 's/.*,//')
if [ -n "$demo" ] && ! wine reg query 'HKCU\Software\Quorvex\Telvia' /v channelName >/dev/null 2>&1; then
  wine reg add 'HKCU\Software\Quorvex\Telvia' /v channelName /t REG_SZ /d "$demo" /f >/dev/null 2>&1
fi

cd "$work"
if [ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1; then
  echo "Telvia runs on $DISPLAY (working folder $work)"
  wine telvia.exe
  wineserver -k 2>/dev/null || true
  exit 0
fi

"$OLDPWD/scripts/wine-session.sh" start >/dev/null
. "$OLDPWD/scripts/wine-env.sh"
# Wine's own desktop window draws the frame and title that a window manager would.
wine explorer /desktop=Telvia,1024x768 telvia.exe >/dev/null 2>&1 &
sleep "${TELVIA_SCREENSHOT_DELAY:-8}"
shot=$work/screenshot.png
xwd -root -silent -display "$DISPLAY" | convert xwd:- "png:$shot"
"$OLDPWD/scripts/wine-session.sh" stop
echo "No display: Telvia ran on a virtual display. Screenshot: $shot"
