#!/usr/bin/env bash
# Runs the stream source's readers over other projects' HLS playlists and transport streams
# (../shared/data/conformance, or the folder given) and prints, per file, what they
# understood, then how many playlists were read and refused, so that a person can compare
# each with what RFC 8216 says; each stream's access units are counted against ffprobe's.
#   scripts/conformance.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-../shared/data/conformance}
if [ ! -d "$data" ]; then
  echo "conformance: no data at $data; nothing to read"
  exit 0
fi
scripts/setup.sh
cmake --preset host >/dev/null
cmake --build build/host --target telvia-stream-read >/dev/null
reader=build/host/tools/stream_read/telvia-stream-read

report=$(mktemp)
trap 'rm -f "$report"' EXIT
find "$data" -type f \( -name '*.m3u8' -o -name '*.m3u' -o -name '*.ts' \) -print0 | sort -z |
  xargs -0 -r "$reader" | tee "$report"
echo
echo "conformance: $(grep -c '^== .*\.m3u8\?$' "$report") playlists: $(grep -c '^multivariant' "$report") multivariant," \
  "$(grep -c '^media' "$report") media, $(grep -c '^refused' "$report") refused;" \
  "$(grep -c '^transport stream' "$report") transport streams"
echo "refusals by reason:"
grep '^refused' "$report" | sed 's/ (line [0-9]*)//' | sort | uniq -c | sort -rn
echo
scripts/conformance-ffprobe.py "$report"
