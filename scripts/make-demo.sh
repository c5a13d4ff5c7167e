#!/usr/bin/env bash
# Makes the ten-second demo video (test picture and tone, WMV2/WMA2 in ASF) that the
# first-run catalogue's offline channel plays.
#   scripts/make-demo.sh OUT.wmv
# Quiet; writes under a temporary name and renames, so OUT.wmv is either whole or absent.
# The output is the same bytes on every run.
set -euo pipefail
out=${1:?usage: make-demo.sh OUT.wmv}
mkdir -p "$(dirname "$out")"
tmp="$out.part.wmv"
trap 'rm -f "$tmp"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine -t 10 \
  -c:v wmv2 -c:a wmav2 -map_metadata -1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
  "$tmp"
mv -f "$tmp" "$out"
