#!/usr/bin/env python3
"""Prints the target and the working folder of a Windows shortcut (.lnk), one per line:
   target=C:\\...\\telvia.exe
   workdir=C:\\...
Reads the shell link's binary layout directly (header, item id list, link info, string
data), so that the check does not depend on the system that made the link reading it back.
Exits with 1 and a message on anything that is not a shell link."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON_LOCATION, IS_UNICODE = 0x10, 0x20, 0x40, 0x80
LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")


def c_string(data, offset, wide):
    if wide:
        end = offset
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset:data.index(b"\0", offset)].decode("cp1252")


def parse(data):
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C or data[4:20] != LINK_CLSID:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 0x4C
    if flags & HAS_ID_LIST:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        size, header, info_flags, _volume, base, _net, suffix = struct.unpack_from("<7I", data, pos)
        if header >= 0x24:
            base_wide = struct.unpack_from("<I", data, pos + 28)[0]
            target = c_string(data, pos + base_wide, True) if base_wide else ""
        if not target and info_flags & 1:
            target = c_string(data, pos + base, False) + c_string(data, pos + suffix, False)
        pos += size
    wide = bool(flags & IS_UNICODE)
    strings = {}
    for flag, name in ((HAS_NAME, "name"), (HAS_RELATIVE_PATH, "relative"), (HAS_WORKING_DIR, "workdir"),
                       (HAS_ARGUMENTS, "arguments"), (HAS_ICON_LOCATION, "icon")):
        if flags & flag:
            count = struct.unpack_from("<H", data, pos)[0]
            length = count * (2 if wide else 1)
            raw = data[pos + 2:pos + 2 + length]
            # Counted, not terminated; some writers count a terminator in.
            strings[name] = raw.decode("utf-16-le" if wide else "cp1252").rstrip("\0")
            pos += 2 + length
    return target or strings.get("relative", ""), strings.get("workdir", "")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: lnk-info.py FILE.lnk")
    try:
        with open(sys.argv[1], "rb") as link:
            target, workdir = parse(link.read())
    except (OSError, ValueError, struct.error, UnicodeDecodeError) as error:
        sys.exit(f"lnk-info: {sys.argv[1]}: {error}")
    print(f"target={target}")
    print(f"workdir={workdir}")


if __name__ == "__main__":
    main()
