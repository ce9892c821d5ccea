#!/usr/bin/env python3
"""Writes small 7z archives with exactly the item properties a test asks for (names as given, including ones that
no archiver would store; attributes, times, directory and anti items; items without any of them). Data is stored
uncompressed, one file per folder, each with its CRC. Sizes and the item count can be stated falsely, to make
archives that claim more than they hold.

    make7z.py [--count N] OUT.7z ITEM...      ITEM is NAME[,key=value...]:
        --count N       the number of items stated in the header (default: the items given)
        data=TEXT       the file's content (default: empty)
        size=N          the unpacked size stated for the file (default: the content's length)
        packsize=N      the packed size stated for it (default: the content's length)
        dir=1           a directory item;  anti=1  an anti item
        attrib=0xN      Windows attributes (default: none stored)
        mtime=0xN       FILETIME (default: none stored)
    A NAME of "-" stores no names at all (every item then has no stored path). "make7z.py OUT.7z" alone writes an
    archive without items.
"""
import struct
import sys
import zlib

SIGNATURE = b"7z\xbc\xaf\x27\x1c\x00\x04"


def number(n):
    for extra in range(8):
        if n < 1 << (7 * (extra + 1)):
            first = ((0xFF00 >> extra) & 0xFF) | (n >> (8 * extra))
            return bytes([first]) + (n & ((1 << (8 * extra)) - 1)).to_bytes(extra, "little")
    return b"\xff" + n.to_bytes(8, "little")


def bits(flags):
    out = bytearray((len(flags) + 7) // 8)
    for i, flag in enumerate(flags):
        if flag:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def prop(kind, payload):
    return bytes([kind]) + number(len(payload)) + payload


def defined_vector(kind, values, fmt):
    defined = [v is not None for v in values]
    if not any(defined):
        return b""
    head = b"\x01" if all(defined) else b"\x00" + bits(defined)
    return prop(kind, head + b"\x00" + b"".join(struct.pack(fmt, v) for v in values if v is not None))


def archive(items, names_stored=True, count=None):
    files = [i for i in items if i["data"]]
    streams = [i["data"] for i in files]
    header = bytearray(b"\x01")  # Header
    if streams:
        header += b"\x04\x06" + number(0) + number(len(streams)) + b"\x09"  # MainStreamsInfo, PackInfo, Size
        header += b"".join(number(i["packsize"] if i["packsize"] is not None else len(i["data"])) for i in files)
        header += b"\x00"
        header += b"\x07\x0b" + number(len(streams)) + b"\x00"  # UnpackInfo, Folder, not external
        header += b"\x01\x01\x00" * len(streams)  # one coder each: Copy
        header += b"\x0c" + b"".join(number(i["size"] if i["size"] is not None else len(i["data"])) for i in files)
        header += b"\x0a\x01" + b"".join(struct.pack("<I", zlib.crc32(s)) for s in streams) + b"\x00\x00"
    header += b"\x05" + number(len(items) if count is None else count)  # FilesInfo
    empty = [not i["data"] for i in items]
    if any(empty):
        header += prop(0x0E, bits(empty))
        empties = [i for i in items if not i["data"]]
        header += prop(0x0F, bits([not i["dir"] for i in empties]))
        if any(i["anti"] for i in empties):
            header += prop(0x10, bits([i["anti"] for i in empties]))
    if names_stored and items:
        header += prop(0x11, b"\x00" + b"".join(i["name"].encode("utf-16-le") + b"\x00\x00" for i in items))
    header += defined_vector(0x14, [i["mtime"] for i in items], "<Q")
    header += defined_vector(0x15, [i["attrib"] for i in items], "<I")
    header += b"\x00\x00"
    packed = b"".join(streams)
    if not items:
        header = b""
    start = struct.pack("<QQI", len(packed), len(header), zlib.crc32(header) if header else 0)
    return SIGNATURE + struct.pack("<I", zlib.crc32(start)) + start + packed + bytes(header)


def parse(spec):
    name, *pairs = spec.split(",")
    item = {"name": name, "data": b"", "dir": False, "anti": False, "attrib": None, "mtime": None,
            "size": None, "packsize": None}
    for pair in pairs:
        key, value = pair.split("=", 1)
        if key == "data":
            item["data"] = value.encode()
        elif key in ("dir", "anti"):
            item[key] = value == "1"
        else:
            item[key] = int(value, 0)
    return item


def main():
    args = sys.argv[1:]
    count = None
    if args[:1] == ["--count"]:
        count = int(args[1], 0)
        args = args[2:]
    items = [parse(spec) for spec in args[1:]]
    names_stored = not any(i["name"] == "-" for i in items)
    with open(args[0], "wb") as out:
        out.write(archive(items, names_stored, count))


if __name__ == "__main__":
    main()
