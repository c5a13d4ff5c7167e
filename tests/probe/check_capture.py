#!/usr/bin/env python3
"""Proves a telvia-probe capture against the segments it came from, with ffmpeg.

    check_capture.py CHANNELS_DIR CAPTURES_DIR

CAPTURES_DIR holds one folder per channel (written by the Wine test in capture_test.cpp):
pin1.es/.txt (video), pin2.es/.txt (audio) and played.txt, the segments the server
answered, in order, as paths under CHANNELS_DIR. For each channel:

- the captured video decodes into exactly the frames ffmpeg decodes from the played
  segments (one MD5 per frame), and the captured audio into the frames of the segments'
  audio from the first frame the player starts with;
- each sample is cut where the source's access unit or ADTS frame is (its size, and for
  audio its bytes), which decoding the samples back to back cannot show;
- each sample's start is the segment's presentation time plus one offset per stretch
  between discontinuities, the same for video and audio within 1 ms, moved on only where
  playback ran dry (report.txt, the probe's report, tells how often), and the stretches
  follow one another in time;
- a sample starts a stretch (discontinuity flag) exactly where the played segments come
  from another encode (the first, a hand-over, a discontinuity), and such a video sample
  carries the sequence and picture parameter sets and an IDR picture;
- every video sample's sync flag is its access unit's key frame flag;
- the media types say what the stream is: the picture's size, a frame rate only where the
  parameter sets say it is fixed, the parameter sets in MPEG2VIDEOINFO's sequence header;
  the sound at the rate and in the channels an HE-AAC v2 decoder plays the core at (twice
  a rate of 24 kHz or less, and such a mono core in stereo).

Fragmented MP4 segments (.m4s) are read behind their folder's init.mp4, as the playlist's
#EXT-X-MAP names it, or, where a DASH manifest keeps pictures and sound apart, behind their
representation's init-R.mp4 (segments chunk-R-N.m4s, representation 0 the pictures, 1 the
sound); their times are those after the tracks' edit lists. MPEG audio
channels are compared frame by frame as the AAC ones are, each sample one MPEG audio frame.

A live capture ends anywhere: only the segments it holds whole are compared.
Prints one line per channel; exit code 1 when any check failed.
"""

import json
import pathlib
import re
import subprocess
import sys
import tempfile

UNITS_PER_SECOND = 10_000_000
TOLERANCE = 10_000  # 1 ms
AAC_FRAME = 1024


def run(args):
    return subprocess.run(args, check=True, capture_output=True).stdout


SCRATCH = tempfile.TemporaryDirectory()


def init_of(segment):
    """The initialisation section a fragmented MP4 segment is read behind."""
    segment = pathlib.Path(segment)
    representation = re.match(r"chunk-(\w+)-\d+\.m4s$", segment.name)
    return segment.parent / (f"init-{representation.group(1)}.mp4" if representation else "init.mp4")


def readable(segment):
    """A file ffmpeg reads the segment from: a fragmented MP4 segment behind its
    initialisation section, anything else as it is."""
    segment = pathlib.Path(segment)
    if segment.suffix != ".m4s":
        return segment
    whole = pathlib.Path(SCRATCH.name) / "_".join(segment.parts[-2:]).replace(".m4s", ".mp4")
    if not whole.exists():
        whole.write_bytes(init_of(segment).read_bytes() + segment.read_bytes())
    return whole


def frame_md5s(path, stream, input_format=None):
    args = ["ffmpeg", "-nostdin", "-v", "error"]
    if input_format:
        args += ["-f", input_format]
    args += ["-i", str(readable(path)), "-map", f"0:{stream}", "-autoscale", "0", "-f", "framemd5", "-"]
    lines = run(args).decode().splitlines()
    return [line.split(",")[-1].strip() for line in lines if line and not line.startswith("#")]


def packets(path, stream):
    """The stream's packets, their times in 100 ns units."""
    out = json.loads(run(["ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                          "stream=time_base:packet=pts,dts,flags,size", "-of", "json", str(readable(path))]))
    num, den = (int(n) for n in out["streams"][0]["time_base"].split("/"))
    time = lambda ticks: ticks * UNITS_PER_SECOND * num // den
    return [{"pts": time(int(p["pts"])), "dts": time(int(p.get("dts", p["pts"]))), "key": "K" in p["flags"],
             "size": int(p["size"])} for p in out["packets"]]


def avc_parameter_sets(segment):
    """The parameter sets of a fragmented MP4 segment's avcC, each behind a four-byte start
    code: what the player puts before a key frame that carries none of its own."""
    init = init_of(segment).read_bytes()
    at = init.find(b"avcC") + 4 + 5
    sets = b""
    for count_mask in (0x1F, 0xFF):
        count = init[at] & count_mask
        at += 1
        for _ in range(count):
            length = int.from_bytes(init[at:at + 2], "big")
            sets += b"\x00\x00\x00\x01" + init[at + 2:at + 2 + length]
            at += 2 + length
    return sets


def mp4_key_frame_sizes(segment, units):
    """The sizes of a fragmented MP4 segment's access units in start-code form: four-byte
    lengths become four-byte start codes, and a key frame gets the avcC's parameter sets
    in front unless it carries its own."""
    if pathlib.Path(segment).suffix != ".m4s":
        return units
    sets = avc_parameter_sets(segment)
    data = run(["ffmpeg", "-nostdin", "-v", "error", "-i", str(readable(segment)), "-map", "0:v", "-c", "copy",
                "-f", "data", "-"])
    out, at = [], 0
    for unit in units:
        sample = data[at:at + unit["size"]]
        at += unit["size"]
        types, pos = set(), 0
        while pos + 4 < len(sample):
            types.add(sample[pos + 4] & 0x1F)
            pos += 4 + int.from_bytes(sample[pos:pos + 4], "big")
        grown = unit["size"] + (len(sets) if unit["key"] and 7 not in types else 0)
        out.append(dict(unit, size=grown))
    return out


def audio_codec(path):
    return run(["ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name",
                "-of", "csv=p=0", str(readable(path))]).decode().strip()


def audio_frames(path):
    """The segment's audio frames as the player hands them on: AAC in ADTS, MPEG audio as it is."""
    if audio_codec(path) != "aac":
        data = run(["ffmpeg", "-nostdin", "-v", "error", "-i", str(readable(path)), "-map", "0:a", "-c", "copy",
                    "-f", "mp2", "-"])
        sizes = [p["size"] for p in packets(path, "a")]
        return [data[sum(sizes[:i]):sum(sizes[:i + 1])] for i in range(len(sizes))]
    data = run(["ffmpeg", "-nostdin", "-v", "error", "-i", str(readable(path)), "-map", "0:a", "-c", "copy",
                "-f", "adts", "-"])
    frames, at = [], 0
    while at + 7 <= len(data):
        length = ((data[at + 3] & 0x03) << 11) | (data[at + 4] << 3) | (data[at + 5] >> 5)
        frames.append(data[at:at + length])
        at += length
    return frames


def read_capture(folder, pin):
    lines = (folder / f"pin{pin}.txt").read_text().splitlines()
    payload = (folder / f"pin{pin}.es").read_bytes()
    samples, at = [], 0
    for line in lines[2:]:
        start, stop, sync, discontinuity, preroll, size = line.split()
        size = int(size)
        samples.append({"start": None if start == "-" else int(start),
                        "stop": None if stop == "-" else int(stop),
                        "sync": sync == "1", "discontinuity": discontinuity == "1",
                        "preroll": preroll == "1", "data": payload[at:at + size]})
        at += size
    return lines[0], lines[1], samples


def nal_spans(unit):
    """(start code match, length) of each NAL unit."""
    starts = list(re.finditer(b"\x00\x00\x01", unit))
    for i, m in enumerate(starts):
        end = starts[i + 1].start() if i + 1 < len(starts) else len(unit)
        while end > m.end() and unit[end - 1] == 0:
            end -= 1
        yield m, end - m.end()


def nal_types(unit):
    return {unit[m.end()] & 0x1F for m in re.finditer(b"\x00\x00\x01", unit) if m.end() < len(unit)}


def source_of(segment):
    """The encode a segment belongs to: its path without the number."""
    return re.sub(r"\d+\.(ts|m4s)$", "", str(segment))


class Channel:
    def __init__(self, name, channels, folder):
        self.name, self.folder, self.failures = name, folder, []
        self.played = (folder / "played.txt").read_text().split()
        self.report = (folder / "report.txt").read_text(errors="replace").splitlines()
        self.segments = [channels / p for p in self.played]
        # Pictures and sound in segments of their own (DASH), or together (HLS).
        self.video_segments = [s for s in self.segments if not s.name.startswith("chunk-1-")]
        self.audio_segments = [s for s in self.segments if not s.name.startswith("chunk-0-")]
        self.live = name in ("live", "dashlive")
        self.core_rate = 48000
        self.frame_samples = AAC_FRAME

    def fail(self, text):
        self.failures.append(text)

    def check(self):
        if not self.played:
            self.fail("no segment was played")
            return
        video_type, video_format, video = read_capture(self.folder, 1)
        audio_type, _, audio = read_capture(self.folder, 2)
        self.check_types(video_type, video_format, audio_type, video)
        video_units = [mp4_key_frame_sizes(s, packets(s, "v")) for s in self.video_segments]
        audio_units = [packets(s, "a") for s in self.audio_segments]
        audio_bytes = [audio_frames(s) for s in self.audio_segments]
        # The player starts with the first key frame and the audio from its decoding time on.
        start_dts = video_units[0][0]["dts"]
        first_audio = next(i for i, p in enumerate(audio_units[0]) if p["pts"] >= start_dts)
        audio_units[0] = audio_units[0][first_audio:]
        audio_bytes[0] = audio_bytes[0][first_audio:]

        whole_video = self.whole_segments(video, video_units, "video")
        whole_audio = self.whole_segments(audio, audio_units, "audio")
        if whole_video == 0 or whole_audio == 0:
            return
        expected_video = [u for units in video_units[:whole_video] for u in units]
        expected_audio = [u for units in audio_units[:whole_audio] for u in units]
        video = video[:len(expected_video)]
        audio = audio[:len(expected_audio)]
        self.compare_frames(video, audio, audio_bytes[:whole_audio], whole_video)
        self.check_cuts(video, expected_video, audio, [f for frames in audio_bytes[:whole_audio] for f in frames])
        self.check_times(video, audio, video_units[:whole_video], audio_units[:whole_audio])
        self.summary = (f"{self.name}: {len(self.played)} segments played, {len(video)} pictures and "
                        f"{len(audio)} audio frames decode as the source's; times within 1 ms "
                        f"({self.moves} stall(s))")

    def check_types(self, video_type, video_format, audio_type, video):
        first = self.video_segments[0]
        stream = [s for segment in (first, self.audio_segments[0]) for s in json.loads(
            run(["ffprobe", "-v", "error", "-show_entries",
                 "stream=codec_type,codec_name,width,height,sample_rate,channels,bit_rate", "-of", "json",
                 str(readable(segment))]))["streams"]]
        picture = next(s for s in stream if s["codec_type"] == "video")
        sound = next(s for s in stream if s["codec_type"] == "audio")
        trace = subprocess.run(["ffmpeg", "-nostdin", "-i", str(readable(first)), "-map", "0:v", "-c", "copy", "-bsf:v",
                                "trace_headers", "-frames:v", "1", "-f", "null", "-"],
                               capture_output=True, text=True).stderr
        field = lambda name: int(re.search(name + r"\s+\S+\s*=\s*(\d+)", trace).group(1))
        rate = ""
        if field("timing_info_present_flag") and field("fixed_frame_rate_flag"):
            rate = f", {field('time_scale') / (2 * field('num_units_in_tick')):.3f} fps"
        expected = f"major Video, subtype H264, format MPEG2Video: {picture['width']}x{picture['height']}{rate}, picture "
        if not video_type.startswith(expected):
            self.fail(f"video type: {video_type!r}, expected {expected!r}...")
        # MPEG2VIDEOINFO's sequence header, after VIDEOINFOHEADER2 and five DWORDs.
        header = bytes.fromhex(video_format.split(": ")[1])[112 + 20:]
        units = video[0]["data"] if video else b""
        sets = b"".join(b"\x00\x00\x00\x01" + units[m.end():m.end() + n]
                        for m, n in nal_spans(units) if units[m.end()] & 0x1F in (7, 8))
        if header != sets:
            self.fail(f"sequence header {header.hex()}, the first key frame's parameter sets {sets.hex()}")
        core_rate, core_channels = int(sound["sample_rate"]), int(sound["channels"])
        self.core_rate = core_rate
        if sound["codec_name"] != "aac":
            self.frame_samples = 1152
            # The header says the layer: an MP4 file's object type says only MPEG-1 audio.
            layer = 4 - ((audio_frames(self.audio_segments[0])[0][1] >> 1) & 0x03)
            expected = (f"major Audio, subtype MPEG1AudioPayload, format WaveFormatEx: {core_rate} Hz, "
                        f"{core_channels} channels, layer {layer}, {int(sound['bit_rate']) // 1000} kbit/s")
            if audio_type != expected:
                self.fail(f"audio type: {audio_type!r}, expected {expected!r}")
            return
        dual = core_rate <= 24000
        expected = (f"major Audio, subtype MPEG_ADTS_AAC, format WaveFormatEx: {core_rate * 2 if dual else core_rate} Hz, "
                    f"{2 if dual and core_channels == 1 else core_channels} channels")
        if audio_type != expected:
            self.fail(f"audio type: {audio_type!r}, expected {expected!r}")

    def whole_segments(self, samples, units, kind):
        """How many played segments the capture holds whole."""
        count, total = 0, 0
        for segment in units:
            if total + len(segment) > len(samples):
                break
            total += len(segment)
            count += 1
        if not self.live and (count != len(units) or total != len(samples)):
            self.fail(f"{kind}: {len(samples)} samples captured, the segments hold {sum(map(len, units))}")
        return count

    def compare_frames(self, video, audio, audio_bytes, whole_video):
        with tempfile.TemporaryDirectory() as scratch:
            scratch = pathlib.Path(scratch)
            (scratch / "video.h264").write_bytes(b"".join(s["data"] for s in video))
            (scratch / "audio.es").write_bytes(b"".join(s["data"] for s in audio))
            (scratch / "source.es").write_bytes(b"".join(f for frames in audio_bytes for f in frames))
            captured = frame_md5s(scratch / "video.h264", "v", "h264")
            source = [md5 for s in self.video_segments[:whole_video] for md5 in frame_md5s(s, "v")]
            self.compare("pictures", captured, source)
            audio_format = "aac" if self.frame_samples == AAC_FRAME else "mp3"
            self.compare("audio frames", frame_md5s(scratch / "audio.es", "a", audio_format),
                         frame_md5s(scratch / "source.es", "a", audio_format))

    def compare(self, what, captured, source):
        if captured == source:
            return
        differ = next((i for i, (a, b) in enumerate(zip(captured, source)) if a != b), min(len(captured), len(source)))
        self.fail(f"{what}: {len(captured)} decoded from the capture, {len(source)} from the segments, "
                  f"first difference at {differ}")

    def check_cuts(self, video, video_units, audio, audio_frames):
        """Decoding the samples back to back cannot see where they were cut: their sizes can."""
        for index, (sample, unit) in enumerate(zip(video, video_units)):
            if len(sample["data"]) != unit["size"]:
                self.fail(f"video sample {index}: {len(sample['data'])} bytes, the source's access unit "
                          f"{unit['size']}")
        for index, (sample, frame) in enumerate(zip(audio, audio_frames)):
            if sample["data"] != frame:
                self.fail(f"audio sample {index}: not the source's frame {index} ({len(sample['data'])} bytes, "
                          f"the frame {len(frame)})")

    def check_times(self, video, audio, video_units, audio_units):
        # Each stretch plays at one offset from the source's times, moved on only where
        # playback ran dry (the player hands out what follows a stall that much later).
        levels = {}  # stretch -> [offset, ...], growing
        last_start = None
        for kind, samples, units, segments in (("video", video, video_units, self.video_segments),
                                               ("audio", audio, audio_units, self.audio_segments)):
            sources = [source_of(s) for s in segments]
            starts_stretch = [i == 0 or sources[i] != sources[i - 1] for i in range(len(sources))]
            stretch, index = -1, 0
            for segment, segment_units in enumerate(units):
                if starts_stretch[segment]:
                    stretch += 1
                    level = 0
                for position, unit in enumerate(segment_units):
                    sample = samples[index]
                    index += 1
                    where = f"{kind} sample {index - 1} (segment {segments[segment].name})"
                    flagged = starts_stretch[segment] and position == 0
                    if sample["discontinuity"] != flagged:
                        self.fail(f"{where}: discontinuity flag {int(sample['discontinuity'])}, expected {int(flagged)}")
                    if sample["start"] is None:
                        self.fail(f"{where}: no time")
                        continue
                    offset = sample["start"] - unit["pts"]
                    known = levels.setdefault(stretch, [offset])
                    while level + 1 < len(known) and offset >= known[level + 1] - TOLERANCE:
                        level += 1
                    if offset > known[level] + TOLERANCE and level + 1 == len(known):
                        known.append(offset)
                        level += 1
                    if abs(offset - known[level]) > TOLERANCE:
                        self.fail(f"{where}: starts {(offset - known[level]) / 10_000:.3f} ms off the source's time")
                    if kind == "video":
                        self.check_video_sample(sample, unit, flagged, where)
                        if flagged and last_start is not None and sample["start"] <= last_start:
                            self.fail(f"{where}: a new stretch starts at {sample['start']}, before {last_start}")
                        last_start = sample["start"] if last_start is None else max(last_start, sample["start"])
                    elif sample["stop"] is not None:
                        duration = sample["stop"] - sample["start"]
                        expected = UNITS_PER_SECOND * self.frame_samples // self.core_rate
                        if duration != expected:
                            self.fail(f"{where}: lasts {duration}, a frame {expected}")
        moves = sum(len(known) - 1 for known in levels.values())
        # The start's buffering ends with the first sample, before any time could move.
        stalls = self.report.count("event: EC_BUFFERING_DATA, 0x0, 0x0")
        if self.report.count("event: EC_BUFFERING_DATA, 0x1, 0x0") > 0:
            stalls -= 1
        if moves > stalls:
            self.fail(f"the times moved on {moves} times within a stretch, playback ran dry {stalls} times")
        self.moves = moves

    def check_video_sample(self, sample, unit, flagged, where):
        if sample["sync"] != unit["key"]:
            self.fail(f"{where}: sync flag {int(sample['sync'])}, key frame {int(unit['key'])}")
        if flagged and not {5, 7, 8} <= nal_types(sample["data"]):
            self.fail(f"{where}: starts a stretch without SPS, PPS and IDR (NAL types {sorted(nal_types(sample['data']))})")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 64
    channels, captures = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    folders = sorted(p for p in captures.glob("*") if (p / "played.txt").exists())
    if not folders:
        print(f"no captures in {captures}", file=sys.stderr)
        return 1
    failed = False
    for folder in folders:
        channel = Channel(folder.name, channels, folder)
        try:
            channel.check()
        except (OSError, subprocess.CalledProcessError, StopIteration, IndexError, ValueError) as error:
            channel.fail(f"cannot be checked: {error}")
        if channel.failures:
            failed = True
            print(f"{folder.name}: FAILED")
            for failure in channel.failures[:20]:
                print(f"  {failure}")
        else:
            print(channel.summary)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
