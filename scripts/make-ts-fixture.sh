#!/usr/bin/env bash
# Makes the small transport stream the demultiplexer tests read: three seconds of a
# 160x120 test picture in H.264 with B-frames, a tone in AAC (ADTS) and the same tone in
# MPEG-1 layer 2. Its timestamps start 1.5 s before the 33-bit counter wraps, so the
# wrap falls inside the file.
#   scripts/make-ts-fixture.sh OUT.ts
# Quiet; writes under a temporary name and renames, so OUT.ts is either whole or absent.
# The output is the same bytes on every run.
set -euo pipefail
out=${1:?usage: make-ts-fixture.sh OUT.ts}
mkdir -p "$(dirname "$out")"
tmp="$out.part.ts"
trap 'rm -f "$tmp"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -f lavfi -i sine=frequency=660:sample_rate=44100 -t 3 \
  -map 0:v -map 1:a -map 2:a -threads 1 \
  -c:v libx264 -profile:v main -pix_fmt yuv420p -g 25 -bf 2 -x264-params threads=1 \
  -c:a:0 aac -b:a:0 64k -c:a:1 mp2 -b:a:1 64k \
  -output_ts_offset 95442.2 -map_metadata -1 \
  -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -f mpegts \
  "$tmp"
mv -f "$tmp" "$out"
