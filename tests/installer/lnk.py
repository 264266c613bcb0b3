#!/usr/bin/env python3
"""Prints what a shell link (.lnk) file points at, one "field=value" line each:
target (the local path), workdir and icon. Reads the layout Windows documents
for shell links: header, optional item list, link info, then counted strings."""
import struct
import sys

HAS_ITEM_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON, IS_UNICODE = 0x10, 0x20, 0x40, 0x80


def c_string(data, at):
    return data[at:data.index(b"\0", at)].decode("latin-1")


def main(path):
    data = open(path, "rb").read()
    if data[:4] != b"L\0\0\0":
        sys.exit(f"{path}: not a shell link")
    flags, = struct.unpack_from("<I", data, 0x14)
    at = 0x4C
    if flags & HAS_ITEM_LIST:
        size, = struct.unpack_from("<H", data, at)
        at += 2 + size
    if flags & HAS_LINK_INFO:
        size, _, _, _, base = struct.unpack_from("<5I", data, at)
        print("target=" + c_string(data, at + base))
        at += size
    unicode = bool(flags & IS_UNICODE)
    for bit, field in ((HAS_NAME, None), (HAS_RELATIVE_PATH, None), (HAS_WORKING_DIR, "workdir"),
                       (HAS_ARGUMENTS, None), (HAS_ICON, "icon")):
        if not flags & bit:
            continue
        count, = struct.unpack_from("<H", data, at)
        size = count * 2 if unicode else count
        # Wine counts the terminating zero as well.
        text = data[at + 2:at + 2 + size].decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
        at += 2 + size
        if field:
            print(f"{field}={text}")


if __name__ == "__main__":
    main(sys.argv[1])
