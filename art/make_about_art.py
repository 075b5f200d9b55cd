#!/usr/bin/python3
"""Draws the About window's pictures of Korvane ADS Ombrolux and writes the generated files.

Run from anywhere: python3 art/make_about_art.py (needs Pillow; it reuses the shapes of make_art.py
and, for the banner's lettering only, the DejaVu Sans fonts of Debian's fonts-dejavu-core).

Writes:
  src/app/art/about/banner.png          the 600 x 86 banner of the window's header
  src/app/art/about/link_*_grey.png     the three 32 px link icons at rest (grey)
  src/app/art/about/link_*_colour.png   the same icons under the pointer (coloured)
  src/app/art/about/info16.png          the 16 px information sign beside the note
  src/app/art/about/status48_NN.png     the status panel's 48 px icons (Img48 of the window)
  src/app/art/about/150/, .../200/      the same drawn at 1.5 and 2 times their size (make_art.SCALES)
  src/ui/about/UntAboutArtData.cpp      the same PNG files as data for the window, and a table of
                                        them per scale

The link icons are plain letters on rounded tiles, drawn from shapes: they stand for the maker's
pages on the three networks without copying any network's logo.
"""

import io
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_art  # noqa: E402  (the shared shapes and the supersampled picture)
from make_art import SCALES, Pic, rgb, scaled, shield_outline, tick, gem  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "src", "app", "art", "about")
DATA_CPP = os.path.join(ROOT, "src", "ui", "about", "UntAboutArtData.cpp")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

HEADER = "#28323C"


# ---- Link icons: a rounded tile with a letter drawn from strokes.

def letter_f(p, color):
    p.line([(0.60, 0.24), (0.52, 0.22), (0.46, 0.28), (0.46, 0.86)], color, 0.13)
    p.line([(0.33, 0.46), (0.64, 0.46)], color, 0.11)


def letter_in(p, color):
    p.ellipse(0.30, 0.27, 0.075, fill=color)
    p.line([(0.30, 0.44), (0.30, 0.78)], color, 0.12)
    p.line([(0.48, 0.78), (0.48, 0.44)], color, 0.12)
    p.arc(0.615, 0.585, 0.135, 180, 360, color, 0.12)
    p.line([(0.75, 0.585), (0.75, 0.78)], color, 0.12)


def letter_t(p, color):
    p.line([(0.46, 0.22), (0.46, 0.68)], color, 0.13)
    p.arc(0.60, 0.68, 0.14, 90, 180, color, 0.13)
    p.line([(0.32, 0.40), (0.68, 0.40)], color, 0.11)


def link_icon(draw_letter, tile, edge, letter, size=32):
    p = Pic(size)
    p.rect(0.03, 0.03, 0.97, 0.97, fill=rgb(tile), outline=rgb(edge), width=0.04, radius=0.20)
    draw_letter(p, rgb(letter))
    return p.result()


LINKS = [
    # name, letter, coloured tile and edge
    ("linkedin", letter_in, "#0A66C2", "#074A8C"),
    ("twitter", letter_t, "#1D9BF0", "#0F6FB0"),
    ("facebook", letter_f, "#1877F2", "#0F55B0"),
]
GREY_TILE, GREY_EDGE, GREY_LETTER = "#5B6570", "#48515B", "#C9CFD6"


# ---- The status panel's icons.

def shield_with(p, body, edge):
    p.poly(shield_outline(), fill=rgb(body), outline=rgb(edge), width=0.05)


def status_waiting(p):
    p.ellipse(0.5, 0.5, 0.44, fill=rgb("#E9EEF3"), outline=rgb("#6B7A8A"), width=0.07)
    for i in range(12):  # hour marks
        a = math.radians(i * 30)
        p.line([(0.5 + 0.33 * math.cos(a), 0.5 + 0.33 * math.sin(a)),
                (0.5 + 0.37 * math.cos(a), 0.5 + 0.37 * math.sin(a))], rgb("#6B7A8A"), 0.03)
    p.line([(0.5, 0.5), (0.5, 0.24)], rgb("#34495E"), 0.07)
    p.line([(0.5, 0.5), (0.69, 0.59)], rgb("#34495E"), 0.07)
    p.ellipse(0.5, 0.5, 0.05, fill=rgb("#34495E"))


def status_trusted(p):
    shield_with(p, "#3DA84A", "#23782F")
    p.push(0.20, 0.16, 0.60)
    tick(p, rgb("#FFFFFF"), 0.20)
    p.pop()


def status_not_signed(p):
    shield_with(p, "#E3A21A", "#9C6C06")
    white = rgb("#FFFFFF")
    p.arc(0.50, 0.36, 0.13, 180, 400, white, 0.10)  # the question mark's hook
    p.line([(0.50 + 0.13 * 0.766, 0.36 + 0.13 * 0.643), (0.50, 0.53), (0.50, 0.60)], white, 0.10)
    p.ellipse(0.50, 0.74, 0.055, fill=white)


def status_not_valid(p):
    shield_with(p, "#D9302C", "#9E1C19")
    white = rgb("#FFFFFF")
    p.line([(0.35, 0.28), (0.65, 0.62)], white, 0.11)
    p.line([(0.65, 0.28), (0.35, 0.62)], white, 0.11)


STATUS = [status_waiting, status_trusted, status_not_signed, status_not_valid]


def info16(size=16):
    p = Pic(size)
    make_art.info_circle(p)
    return p.result()


def draw(size, fn):
    p = Pic(size)
    fn(p)
    return p.result()


# ---- The banner: the maker's emblem and name on the header's colour, fading stripes to the right.

def banner(scale=100):
    """The banner; its lengths are those of 100 %, drawn at scale."""
    f = scale / 100

    def px(n):  # n pixels of 100 %: whole pixels stay whole numbers
        v = n * f
        return int(v) if v == int(v) else v

    width, height = scaled(600, scale), scaled(86, scale)
    ss = 4
    img = Image.new("RGBA", (width * ss, height * ss), rgb(HEADER))
    d = ImageDraw.Draw(img)
    # Stripes that brighten towards the right; the window shows the banner's first 458 columns.
    for i in range(14):
        x0 = px(250 + i * 26) * ss
        shade = 0x30 + i * 3
        d.polygon([(x0, 0), (x0 + px(14) * ss, 0), (x0 - px(40) * ss, height * ss), (x0 - px(54) * ss, height * ss)],
                  fill=(shade, shade + 10, shade + 22, 255))
    img = img.resize((width, height), Image.BOX)

    # The emblem: the program's gem on a dark tile.
    tile = Pic(scaled(64, scale))
    tile.rect(0.03, 0.03, 0.97, 0.97, fill=rgb("#1E3A5F"), outline=rgb("#0F2238"), width=0.03, radius=0.18)
    tile.push(0.10, 0.14, 0.80)
    gem(tile)
    tile.pop()
    img.alpha_composite(tile.result(), (round(10 * f), round(11 * f)))

    d = ImageDraw.Draw(img)

    def font(name, size):
        return ImageFont.truetype(name, round(size * f))

    d.text((px(83), px(6)), "KORVANE", font=font(FONT_BOLD, 26), fill=rgb("#FFFFFF"))
    d.text((px(85), px(36)), "ADS Ombrolux", font=font(FONT, 12), fill=rgb("#9FB3C8"))
    d.text((px(196), px(62)), "Follow the maker", font=font(FONT, 11), fill=rgb("#7F90A1"))
    return img


# ---- Output.

def png_bytes(image):
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=True)
    return out.getvalue()


def cpp_bytes(name, data):
    lines = [f"const std::vector<std::uint8_t> {name} = {{"]
    for k in range(0, len(data), 20):
        lines.append("    " + " ".join(f"0x{b:02X}," for b in data[k:k + 20]))
    lines.append("};")
    return "\n".join(lines)


# The pictures in the order of the window's table of them (TAboutPictures in UntAboutArt.h).
def pictures(scale):
    """(constant name, file name, picture) of every picture at scale."""
    found = [("kBanner", "banner.png", banner(scale))]
    for name, letter, tile, edge in LINKS:
        cap = name[0].upper() + name[1:]
        found.append((f"kLink{cap}Grey", f"link_{name}_grey.png",
                      link_icon(letter, GREY_TILE, GREY_EDGE, GREY_LETTER, scaled(32, scale))))
        found.append((f"kLink{cap}Colour", f"link_{name}_colour.png",
                      link_icon(letter, tile, edge, "#FFFFFF", scaled(32, scale))))
    found.append(("kInfo16", "info16.png", info16(scaled(16, scale))))
    for i, fn in enumerate(STATUS):
        found.append((f"kStatus48_{i}", f"status48_{i:02d}.png", draw(scaled(48, scale), fn)))
    return found


def main():
    count = 0
    with open(DATA_CPP, "w", encoding="utf-8", newline="\n") as out:
        out.write("// Generated by art/make_about_art.py: the About window's pictures as PNG files.\n")
        out.write("// Do not edit; run the script again.\n\n")
        out.write("#include \"ui/about/UntAboutArt.h\"\n\n")
        out.write("namespace aboutart {\n\n")
        for scale in SCALES:
            # At 100 % the names are the plain ones; the others end in the scale.
            suffix = "" if scale == 100 else str(scale)
            folder = OUT if scale == 100 else os.path.join(OUT, str(scale))
            os.makedirs(folder, exist_ok=True)
            drawn = pictures(scale)
            for const, file_name, image in drawn:
                data = png_bytes(image)
                with open(os.path.join(folder, file_name), "wb") as f:
                    f.write(data)
                shown = file_name if scale == 100 else f"{scale}/{file_name}"
                out.write(f"// {shown}: {image.width} x {image.height}\n")
                out.write(cpp_bytes(const + suffix, data) + "\n\n")
            names = ", ".join(f"&{const}{suffix}" for const, _, _ in drawn)
            out.write(f"const TAboutPictures kPictures{scale} = {{{names}}};\n\n")
            count += len(drawn)
        out.write("} // namespace aboutart\n")
    print(f"wrote {count} pictures", file=sys.stderr)


if __name__ == "__main__":
    main()
