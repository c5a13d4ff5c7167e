# Sourced by the Wine scripts: one prefix per build tree, no prompts, no debugger dialogs.
# TELVIA_WINE_STATE names the folder holding the prefix and the session's files.
: "${TELVIA_WINE_STATE:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/windows/wine}"
export TELVIA_WINE_STATE
export WINEPREFIX="$TELVIA_WINE_STATE/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
# The session's virtual display, when one was started.
if [ -f "$TELVIA_WINE_STATE/display" ]; then
  DISPLAY=$(cat "$TELVIA_WINE_STATE/display")
  export DISPLAY
fi
