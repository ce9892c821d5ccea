#!/usr/bin/env python3
"""Writes damaged copies of an installer: truncated at, or with one bit flipped at, points spread over the three parts
of its 7z payload (the 32-byte signature header, the packed streams, the end header), and prints one line per copy:
FILE|PART|PAYLOAD_OFFSET|WHAT.

    damage.py INSTALLER PAYLOAD_OFFSET OUT_DIR TRUNCATIONS_PER_PART FLIPS_PER_PART

Byte 7 of the signature header (the minor format version) is never flipped: no CRC covers it and a reader may
accept any minor version, so the copy could still be whole.
"""
import os
import struct
import sys


def spread(start, end, count):
    """count offsets (at least 2) spread evenly over [start, end), its first and last included."""
    if end - start <= count:
        return list(range(start, end))
    step = (end - 1 - start) / (count - 1)
    return [start + round(i * step) for i in range(count)]


def main():
    installer, offset, out_dir, truncations, flips = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), \
        int(sys.argv[5])
    data = open(installer, "rb").read()
    payload = data[offset:]
    if payload[:6] != b"7z\xbc\xaf\x27\x1c":
        sys.exit("damage.py: no 7z signature header at offset %d of %s" % (offset, installer))
    next_offset, next_size, _ = struct.unpack("<QQI", payload[12:32])
    packed_end = 32 + next_offset
    parts = {
        "signature header": (0, 32),
        "packed streams": (32, packed_end),
        "end header": (packed_end, packed_end + next_size),
    }
    os.makedirs(out_dir, exist_ok=True)
    base = os.path.splitext(os.path.basename(installer))[0]
    for part, (start, end) in parts.items():
        for at in spread(start, end, truncations):
            name = os.path.join(out_dir, "%s-cut-%d.exe" % (base, at))
            with open(name, "wb") as out:
                out.write(data[:offset + at])
            print("%s|%s|%d|truncated" % (name, part, at))
        points = [at for at in spread(start, end, flips + (part == "signature header")) if at != 7][:flips]
        for n, at in enumerate(points):
            bit = n % 8
            damaged = bytearray(data)
            damaged[offset + at] ^= 1 << bit
            name = os.path.join(out_dir, "%s-flip-%d.exe" % (base, at))
            with open(name, "wb") as out:
                out.write(damaged)
            last = " in the last packed byte" if part == "packed streams" and at == end - 1 else ""
            print("%s|%s|%d|bit %d flipped%s" % (name, part, at, bit, last))


if __name__ == "__main__":
    main()
