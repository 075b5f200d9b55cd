#!/usr/bin/env python3
"""Writes PngSamples.h beside this script: small PNG files of every kind the picture reader must
understand, each with the formula its pixels follow, for PngDecoderTest.cpp.

The header is committed; run this again only to remake it.
"""
import os
import struct
import zlib


def chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, color_type, rows, extra=b"", interlace=0, level=9, strategy=None):
    raw = b"".join(rows)
    if strategy is None:
        data = zlib.compress(raw, level)
    else:
        co = zlib.compressobj(level, zlib.DEFLATED, 15, 9, strategy)
        data = co.compress(raw) + co.flush()
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, interlace))
    out += extra
    # Split the data over two IDAT chunks: readers must join them.
    half = len(data) // 2
    out += chunk(b"IDAT", data[:half]) + chunk(b"IDAT", data[half:])
    out += chunk(b"IEND", b"")
    return out


def rgba(x, y):
    return (x * 16 % 256, y * 16 % 256, (x + y) * 8 % 256, 255 - x * 8 % 256)


def filtered(row_bytes, bpp, filter_type, prior):
    out = bytearray([filter_type])
    for i, v in enumerate(row_bytes):
        a = row_bytes[i - bpp] if i >= bpp else 0
        b = prior[i] if prior else 0
        c = prior[i - bpp] if prior and i >= bpp else 0
        if filter_type == 0:
            p = 0
        elif filter_type == 1:
            p = a
        elif filter_type == 2:
            p = b
        elif filter_type == 3:
            p = (a + b) // 2
        else:
            pp = a + b - c
            pa, pb, pc = abs(pp - a), abs(pp - b), abs(pp - c)
            p = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out.append((v - p) & 0xFF)
    return bytes(out)


def rgba_rows(w, h, xs=None, ys=None):
    xs = xs or list(range(w))
    ys = ys or list(range(h))
    rows, prior = [], None
    for n, y in enumerate(ys):
        line = bytes(v for x in xs for v in rgba(x, y))
        rows.append(filtered(line, 4, n % 5, prior))  # every filter in turn
        prior = line
    return rows


def samples():
    out = {}
    # RGBA, all five filters, dynamic Huffman codes (a 24 x 20 picture compresses with them).
    out["Rgba"] = png(24, 20, 8, 6, rgba_rows(24, 20))
    # RGBA with fixed Huffman codes only.
    out["RgbaFixed"] = png(6, 5, 8, 6, rgba_rows(6, 5), strategy=zlib.Z_FIXED)
    # RGBA stored without compression.
    out["RgbaStored"] = png(6, 5, 8, 6, rgba_rows(6, 5), level=0)
    # RGBA interlaced (Adam7), 9 x 9.
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    rows = []
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, 9, dx))
        ys = list(range(y0, 9, dy))
        if xs and ys:
            rows += rgba_rows(0, 0, xs, ys)
    out["RgbaInterlaced"] = png(9, 9, 8, 6, rows, interlace=1)
    # Palette of 4 bits with transparency: index (x + y) % 16, colour (i*16, 255-i*16, i*8), alpha i*17.
    plte = b"".join(bytes((i * 16, 255 - i * 16, i * 8)) for i in range(16))
    trns = bytes(i * 17 for i in range(16))
    prow = []
    for y in range(3):
        idx = [(x + y) % 16 for x in range(5)] + [0]
        prow.append(b"\x00" + bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 5, 2)))
    out["Palette4"] = png(5, 3, 4, 3, prow, extra=chunk(b"PLTE", plte) + chunk(b"tRNS", trns))
    # Grey of 16 bits: value (x * 4000 + y * 9000) & 0xFFFF.
    grows = [b"\x00" + b"".join(struct.pack(">H", (x * 4000 + y * 9000) & 0xFFFF) for x in range(4)) for y in range(3)]
    out["Grey16"] = png(4, 3, 16, 0, grows)
    # RGB with a transparent colour key: pixel (x*50, y*50, 100), the key (50, 50, 100).
    crow = [b"\x00" + b"".join(bytes((x * 50, y * 50, 100)) for x in range(3)) for y in range(3)]
    out["RgbKey"] = png(3, 3, 8, 2, crow, extra=chunk(b"tRNS", struct.pack(">HHH", 50, 50, 100)))
    return out


def main() -> None:
    lines = ["#pragma once", "// PNG files of every kind the picture reader understands; made by make_png_samples.py.",
             "", "#include <cstdint>", "#include <vector>", "", "namespace pngsamples {", ""]
    for name, data in samples().items():
        lines.append(f"inline const std::vector<std::uint8_t> k{name} = {{")
        for i in range(0, len(data), 20):
            lines.append("    " + ", ".join(f"0x{b:02X}" for b in data[i:i + 20]) + ",")
        lines.append("};")
        lines.append("")
    lines.append("} // namespace pngsamples")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "PngSamples.h")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
