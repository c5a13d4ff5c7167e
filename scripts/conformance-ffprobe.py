#!/usr/bin/env python3
"""Compares what telvia-stream-read made of each transport stream with ffprobe.

    conformance-ffprobe.py REPORT

REPORT is telvia-stream-read's output (see conformance.sh). For every transport stream in
it, the access units of each stream the player decodes (H.264, AAC, MPEG audio) are counted
against the packets ffprobe reads from the same file. Prints a line per file and a total;
exit code 1 when any file differs.
"""

import json
import re
import subprocess
import sys

DECODED = ("h264", "aac", "mp1", "mp2", "mp3")
UNITS = re.compile(r"\s+PID (\d+) (?:H\.264|AAC \(ADTS\)|MPEG audio): (\d+) units")


def ffprobe_units(path):
    out = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries", "packet=stream_index:stream=index,id,codec_name",
         "-of", "json", path], capture_output=True, check=True).stdout)
    streams = {s["index"]: (int(s["id"], 16), s.get("codec_name")) for s in out["streams"]}
    counts = {}
    for packet in out.get("packets", []):
        pid, codec = streams[packet["stream_index"]]
        if codec in DECODED:
            counts[pid] = counts.get(pid, 0) + 1
    return counts


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 64
    same = different = 0
    for block in open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\n== "):
        lines = block.strip().splitlines()
        if not lines or not lines[0].lstrip("= ").endswith(".ts"):
            continue
        path = lines[0].lstrip("= ").strip()
        ours = {int(m.group(1)): int(m.group(2)) for m in map(UNITS.match, lines[1:]) if m}
        theirs = ffprobe_units(path)
        if ours == theirs:
            same += 1
            print(f"same      {path}: {sum(ours.values())} units in {len(ours)} stream(s)")
        else:
            different += 1
            print(f"DIFFERENT {path}: ours {ours}, ffprobe {theirs}")
    print(f"conformance: {same} transport streams give ffprobe's units, {different} differ")
    return 1 if different else 0


if __name__ == "__main__":
    sys.exit(main())
