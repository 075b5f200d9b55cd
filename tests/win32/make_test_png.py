#!/usr/bin/env python3
"""Writes test_image.png beside this script: a 5 x 3 RGB picture for the resource-loading tests.

The picture is committed; run this again only to remake it.
"""
import os
import struct
import zlib

WIDTH, HEIGHT = 5, 3


def chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main() -> None:
    rows = b""
    for y in range(HEIGHT):
        rows += b"\x00" + b"".join(bytes((40 * x, 80 * y, 200)) for x in range(WIDTH))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "test_image.png")
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
