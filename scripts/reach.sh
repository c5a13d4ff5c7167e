#!/usr/bin/env bash
# Classifies every address of the public playlists in tests/data/playlists with the
# program's own address classification and prints the share a source of the program
# opens ("reach: NN.N %"). Fails when that share is under 95 %.
#   scripts/reach.sh
# Builds the host tool telvia-reach first (in build/host, as the host preset does).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/host/build.ninja ]; then
  cmake --preset host >/dev/null
fi
cmake --build build/host --target telvia-reach -j2 >/dev/null
build/host/tools/reach/telvia-reach tests/data/playlists/*.m3u --minimum 95 || {
  status=$?
  [ "$status" -eq 1 ] && echo "reach.sh: under 95 %" >&2
  exit "$status"
}
