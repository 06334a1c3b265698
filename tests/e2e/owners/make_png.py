#!/usr/bin/python3
"""Writes a WIDTH x HEIGHT RGB PNG with a simple pattern, quickly and without ImageMagick's
memory appetite. Usage: make_png.py WIDTH HEIGHT PATH"""
import struct
import sys
import zlib

w, h, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]


def chunk(kind, data):
    c = struct.pack(">I", len(data)) + kind + data
    return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


rows = []
for y in range(h):
    shade = bytes((y * 255 // max(h - 1, 1), 128, 255 - y * 255 // max(h - 1, 1)))
    rows.append(b"\0" + shade * w)
raw = zlib.compress(b"".join(rows), 1)
with open(path, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
    f.write(chunk(b"IDAT", raw))
    f.write(chunk(b"IEND", b""))
