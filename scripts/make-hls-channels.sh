#!/usr/bin/env bash
# Makes the HLS channels the capture proof serves: small H.264 (with B-frames) and AAC
# segments from ffmpeg's test picture and tone, the same bytes on every run.
#   scripts/make-hls-channels.sh OUT_DIR
#   OUT_DIR/avc/        index.m3u8 and 0.ts..2.ts: 6 s, 2 s segments, AAC-LC 48 kHz stereo;
#                       its parameter sets say the frame rate is fixed (the others' do not)
#   OUT_DIR/heaac/      as avc/, 4 s, with AAC at 24 kHz mono: signalled in ADTS exactly as
#                       HE-AAC v2 is (which ffmpeg cannot encode), whose extensions ride
#                       inside the frames
#   OUT_DIR/variants/   master.m3u8 over hi/ and lo/ (the same picture at two qualities,
#                       6 segments of 1 s each), for a hand-over from one to the other
#   OUT_DIR/jump/       index.m3u8: two segments of one encode, a discontinuity, two of
#                       another (larger picture, other parameter sets, timestamps anew)
#   OUT_DIR/live/       0.ts..13.ts of 1 s each for a live channel that grows with the clock
#   OUT_DIR/switch/     index.m3u8: a segment with AAC, then one with MPEG-1 layer 2 audio on
#                       the same stream, times going on, no discontinuity announced
#   OUT_DIR/fmp4/       as avc/, in fragmented MP4: init.mp4 and 0.m4s..2.m4s, the timing
#                       of the B-frames and the AAC priming in each track's edit list
#   OUT_DIR/fmp4mpa/    as fmp4/, 4 s, with MPEG-1 layer 2 audio (which Wine decodes)
#   OUT_DIR/fmp4radio/  the MPEG audio of fmp4mpa/ alone, a radio channel Wine plays
#   OUT_DIR/dash/       as avc/ by a DASH manifest, pictures and sound apart: init-0.mp4 and
#                       chunk-0-N.m4s (H.264), init-1.mp4 and chunk-1-N.m4s (AAC), a
#                       template with a timeline; OUT_DIR/dashnumber/ the same by number
#   OUT_DIR/dashradio/  the same radio channel by a DASH manifest: manifest.mpd, a segment
#                       template with a timeline over init.mp4 and 1.m4s..2.m4s
# Quiet; writes into a temporary folder and renames it, so OUT_DIR is whole or absent.
set -euo pipefail
out=${1:?usage: make-hls-channels.sh OUT_DIR}
tmp="$out.part"
rm -rf "$tmp"
mkdir -p "$tmp"
trap 'rm -rf "$tmp"' EXIT

# [SEGMENTS=fmp4] [AUDIO=mp2] [PICTURES=no]
# encode DIR PREFIX SECONDS SEGMENT_SECONDS PICTURE QUALITY TS_OFFSET [SIZE [X264_EXTRA [RATE CHANNELS]]]
encode() {
  local dir=$1 prefix=$2 seconds=$3 segment=$4 picture=$5 crf=$6 offset=$7 size=${8:-160x120}
  local x264=${9:-} rate=${10:-48000} channels=${11:-2}
  local audio=(-c:a aac -b:a 64k) video=(-map 0:v) segments=(-hls_segment_filename "$tmp/$dir/$prefix%d.ts")
  if [ "${AUDIO:-aac}" = mp2 ]; then audio=(-c:a mp2 -b:a 128k); fi
  if [ "${PICTURES:-yes}" = no ]; then video=(-vn); fi
  if [ "${SEGMENTS:-ts}" = fmp4 ]; then
    segments=(-hls_segment_type fmp4 -hls_fmp4_init_filename init.mp4 -hls_segment_filename "$tmp/$dir/$prefix%d.m4s")
  fi
  mkdir -p "$tmp/$dir"
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "$picture=size=$size:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=$rate" \
    -t "$seconds" "${video[@]}" -map 1:a -threads 1 \
    -c:v libx264 -profile:v main -pix_fmt yuv420p -crf "$crf" -g $((25 * segment)) -keyint_min $((25 * segment)) \
    -sc_threshold 0 -bf 2 -x264-params "threads=1:b-adapt=0$x264" \
    "${audio[@]}" -ac "$channels" -output_ts_offset "$offset" -map_metadata -1 \
    -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
    -f hls -hls_time "$segment" -hls_playlist_type vod "${segments[@]}" \
    "$tmp/$dir/$prefix.m3u8"
}

encode avc "" 6 2 testsrc 23 10 160x120 :force-cfr=1
mv "$tmp/avc/.m3u8" "$tmp/avc/index.m3u8"

encode heaac "" 4 2 testsrc 23 10 160x120 "" 24000 1
mv "$tmp/heaac/.m3u8" "$tmp/heaac/index.m3u8"

encode variants/hi "" 6 1 testsrc 18 10
encode variants/lo "" 6 1 testsrc 40 10
mv "$tmp/variants/hi/.m3u8" "$tmp/variants/hi/index.m3u8"
mv "$tmp/variants/lo/.m3u8" "$tmp/variants/lo/index.m3u8"
cat >"$tmp/variants/master.m3u8" <<'M3U'
#EXTM3U
#EXT-X-STREAM-INF:BANDWIDTH=600000,RESOLUTION=160x120,CODECS="avc1.4d000c,mp4a.40.2"
hi/index.m3u8
#EXT-X-STREAM-INF:BANDWIDTH=200000,RESOLUTION=160x120,CODECS="avc1.4d000c,mp4a.40.2"
lo/index.m3u8
M3U

encode jump a 4 2 testsrc 23 10
encode jump b 4 2 smptebars 23 500 192x144
{
  printf '#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-PLAYLIST-TYPE:VOD\n'
  printf '#EXTINF:2.0,\na0.ts\n#EXTINF:2.0,\na1.ts\n#EXT-X-DISCONTINUITY\n#EXTINF:2.0,\nb0.ts\n#EXTINF:2.0,\nb1.ts\n'
  printf '#EXT-X-ENDLIST\n'
} >"$tmp/jump/index.m3u8"
rm -f "$tmp/jump/a.m3u8" "$tmp/jump/b.m3u8"

encode switch a 2 2 testsrc 23 10
AUDIO=mp2 encode switch b 2 2 testsrc 23 12
{
  printf '#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-PLAYLIST-TYPE:VOD\n'
  printf '#EXTINF:2.0,\na0.ts\n#EXTINF:2.0,\nb0.ts\n#EXT-X-ENDLIST\n'
} >"$tmp/switch/index.m3u8"
rm -f "$tmp/switch/a.m3u8" "$tmp/switch/b.m3u8"

encode live "" 14 1 testsrc 23 10
rm -f "$tmp/live/.m3u8"

SEGMENTS=fmp4 encode fmp4 "" 6 2 testsrc 23 10 160x120 :force-cfr=1
mv "$tmp/fmp4/.m3u8" "$tmp/fmp4/index.m3u8"
SEGMENTS=fmp4 AUDIO=mp2 encode fmp4mpa "" 4 2 testsrc 23 10
mv "$tmp/fmp4mpa/.m3u8" "$tmp/fmp4mpa/index.m3u8"
SEGMENTS=fmp4 AUDIO=mp2 PICTURES=no encode fmp4radio "" 4 2 testsrc 23 10
mv "$tmp/fmp4radio/.m3u8" "$tmp/fmp4radio/index.m3u8"

mkdir -p "$tmp/dashradio"
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 4 -ac 2 -threads 1 \
  -c:a mp2 -b:a 128k -map_metadata -1 -fflags +bitexact -flags:a +bitexact \
  -f dash -use_template 1 -use_timeline 1 -seg_duration 2 \
  -init_seg_name init.mp4 -media_seg_name '$Number$.m4s' "$tmp/dashradio/manifest.mpd"

# DASH keeps pictures and sound apart: representation 0 (H.264 with B-frames), 1 (AAC-LC),
# by a template with a timeline (dash/) and by number alone (dashnumber/).
for layout in dash:1 dashnumber:0; do
  mkdir -p "$tmp/${layout%:*}"
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc=size=160x120:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t 6 -map 0:v -map 1:a -threads 1 \
    -c:v libx264 -profile:v main -pix_fmt yuv420p -crf 23 -g 50 -keyint_min 50 \
    -sc_threshold 0 -bf 2 -x264-params "threads=1:b-adapt=0" \
    -c:a aac -b:a 64k -ac 2 -map_metadata -1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
    -f dash -use_template 1 -use_timeline "${layout#*:}" -seg_duration 2 -adaptation_sets "id=0,streams=v id=1,streams=a" \
    -init_seg_name 'init-$RepresentationID$.mp4' -media_seg_name 'chunk-$RepresentationID$-$Number$.m4s' \
    "$tmp/${layout%:*}/manifest.mpd"
done

rm -rf "$out"
mv "$tmp" "$out"
trap - EXIT
