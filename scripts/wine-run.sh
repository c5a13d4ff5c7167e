#!/usr/bin/env bash
# Runs one Windows program under Wine with the build tree's prefix and a time limit.
# CMake uses it as the emulator for cross-compiled test executables.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
[ -f "$WINEPREFIX/.telvia-ready" ] || "$here/wine-session.sh" prefix >&2 || exit 1
exec timeout --kill-after=5 "${TELVIA_WINE_TIMEOUT:-120}" wine "$@"
