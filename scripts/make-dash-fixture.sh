#!/usr/bin/env bash
# Makes the single-file fragmented MP4 the segment index tests read: three seconds of a
# 160x120 test picture in H.264, one fragment per second, with a segment index box ("sidx")
# after the movie box, as an on-demand DASH representation is packaged.
#   scripts/make-dash-fixture.sh OUT.mp4
# Quiet; writes under a temporary name and renames, so OUT.mp4 is either whole or absent.
set -euo pipefail
out=${1:?usage: make-dash-fixture.sh OUT.mp4}
mkdir -p "$(dirname "$out")"
tmp="$out.part.mp4"
trap 'rm -f "$tmp"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=160x120:rate=25 -t 3 -threads 1 \
  -c:v libx264 -profile:v main -pix_fmt yuv420p -g 25 -x264-params threads=1 \
  -movflags +frag_keyframe+empty_moov+global_sidx+default_base_moof -map_metadata -1 \
  -fflags +bitexact -flags:v +bitexact -f mp4 "$tmp"
mv -f "$tmp" "$out"
