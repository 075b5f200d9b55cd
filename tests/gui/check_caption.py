#!/usr/bin/python3
"""Checks screenshots of the caption-bar button, its menu and the About window (Pillow).

check_caption.py button SHOT STATE [SCALE]
                                        finds the caption-bar button showing STATE (link, hover or
                                        action) in either size, as drawn at SCALE % (100, the
                                        default, 150 or 200); prints "button X Y W H"
check_caption.py menu SHOT X Y          finds the About item's icon in a menu dropped down at or
                                        below the screen point X, Y; prints "item X Y"
check_caption.py about SHOT NAME VERSION  finds the About window and checks its header, its
                                        background, the "not signed" status panel, and that its name
                                        and version lines show the ink of the files NAME and VERSION
                                        (the expected texts as gui_probe render draws them);
                                        prints "about X Y" (its client area's origin)
check_caption.py link SHOT X Y STATE    the LinkedIn icon of the About window whose client area is at
                                        X, Y shows its grey (rest) or colour (hover) picture

Pictures are compared on their fully opaque pixels, which the program draws unchanged.
"""

import os
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "..", "..", "src", "app", "art")


def rgb(hex_text):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


class Shot:
    def __init__(self, path):
        self.img = Image.open(path).convert("RGB")
        self.w, self.h = self.img.size
        self.px = self.img.load()


def opaque(path):
    """The picture's fully opaque pixels as (x, y, colour), and its size."""
    pic = Image.open(path).convert("RGBA")
    pixels = [(x, y, pic.getpixel((x, y))[:3]) for y in range(pic.height) for x in range(pic.width)
              if pic.getpixel((x, y))[3] == 255]
    return pixels, pic.size


def find(shot, path, region):
    """Top-left corners in region (x0, y0, x1, y1) where the picture's opaque pixels all show."""
    pixels, (pw, ph) = opaque(path)
    if not pixels:
        return []
    ax, ay, first = pixels[0]
    x0, y0, x1, y1 = region
    found = []
    for y in range(max(0, y0), min(shot.h - ph, y1) + 1):
        for x in range(max(0, x0), min(shot.w - pw, x1) + 1):
            if shot.px[x + ax, y + ay] != first:
                continue
            if all(shot.px[x + px, y + py] == c for px, py, c in pixels):
                found.append((x, y))
    return found


def button(shot, state, scale="100"):
    folder = ART if scale == "100" else os.path.join(ART, scale)
    for suffix in ("", "_min"):
        path = os.path.join(folder, f"ncabutton{state}{suffix}.png")
        at = find(shot, path, (0, 0, shot.w, shot.h))
        if at:
            w, h = Image.open(path).size
            print(f"button {at[0][0]} {at[0][1]} {w} {h}")
            return True
    print(f"no caption-bar button showing its {state} picture drawn at {scale} %")
    return False


def menu(shot, x, y):
    at = find(shot, os.path.join(ART, "img16_18.png"), (x - 20, y - 4, x + 60, y + 40))
    if not at:
        print(f"no menu with the About item below ({x}, {y})")
        return False
    print(f"item {at[0][0] + 8} {at[0][1] + 8}")
    return True


def ink_of(shot, x0, y0, x1, y1):
    """The ink (dark pixels) in the area as rows of "#" and ".", cropped to its box; [] when none."""
    dark = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if sum(shot.px[x, y]) < 3 * 140]
    if not dark:
        return []
    left, right = min(x for x, _ in dark), max(x for x, _ in dark)
    top, bottom = min(y for _, y in dark), max(y for _, y in dark)
    return ["".join("#" if sum(shot.px[x, y]) < 3 * 140 else "." for x in range(left, right + 1))
            for y in range(top, bottom + 1)]


def same_ink(shown, expected):
    """Whether two inks are the same text: the same box, and at most 3% of its pixels differing."""
    if len(shown) != len(expected) or (shown and len(shown[0]) != len(expected[0])):
        return False
    differing = sum(1 for a, b in zip("".join(shown), "".join(expected)) if a != b)
    return differing <= 0.03 * len("".join(shown))


def about(shot, name_ink, version_ink):
    header = rgb("#28323C")
    # The footer: the last 26 rows of the client area, 458 pixels of the header's colour, whose
    # first rows hold nothing but that colour.
    origin = None
    for y in range(1, shot.h):
        run = 0
        for x in range(shot.w):
            run = run + 1 if shot.px[x, y] == header else 0
            if run == 458 and shot.px[x - 457, y - 1] != header and y >= 431:
                origin = (x - 457, y - 431)
                break
        if origin:
            break
    if origin is None or origin[0] + 458 > shot.w or origin[1] + 457 > shot.h:
        print("no About window (no footer of 458 pixels)")
        return False
    ox, oy = origin
    failures = []

    def expect(what, x, y, colour):
        got = shot.px[ox + x, oy + y]
        if got != colour:
            failures.append(f"{what}: ({x}, {y}) is #{got[0]:02X}{got[1]:02X}{got[2]:02X}, "
                            f"expected #{colour[0]:02X}{colour[1]:02X}{colour[2]:02X}")

    expect("background", 455, 100, rgb("#E2E6EA"))
    expect("header", 5, 80, header)
    # The status panel of a program file without a signature: its border and background.
    expect("status panel border", 200, 360, rgb("#FAEBCC"))
    expect("status panel background", 300, 395, rgb("#FCF8E3"))
    # The product name and the version: exactly the expected texts in their lines.
    for what, top, expected in (("product name", 95, name_ink), ("version", 120, version_ink)):
        shown = ink_of(shot, ox + 130, oy + top, ox + 450, oy + top + 18)
        if not shown:
            failures.append(f"no {what} shown at (130, {top})")
        elif not same_ink(shown, expected):
            failures.append(f"the {what} line at (130, {top}) does not show the expected text "
                            f"({len(shown[0])} x {len(shown)} px of ink, expected "
                            f"{len(expected[0]) if expected else 0} x {len(expected)})")
        else:
            print(f"{what}: the expected text, {len(shown[0])} x {len(shown)} px")
    for f in failures:
        print("FAIL " + f)
    print(f"about {ox} {oy}")
    return not failures


def link(shot, x, y, state):
    name = "grey" if state == "rest" else "colour"
    path = os.path.join(ART, "about", f"link_linkedin_{name}.png")
    if (x + 83, y + 54) in find(shot, path, (x + 83, y + 54, x + 83, y + 54)):
        print(f"LinkedIn icon shows its {name} picture")
        return True
    print(f"LinkedIn icon does not show its {name} picture")
    return False


def main(argv):
    kind, shot = argv[1], Shot(argv[2])
    if kind == "button":
        ok = button(shot, argv[3], *argv[4:5])
    elif kind == "menu":
        ok = menu(shot, int(argv[3]), int(argv[4]))
    elif kind == "about":
        inks = []
        for path in argv[3:5]:
            with open(path, encoding="utf-8") as f:
                inks.append([line.strip() for line in f if line.strip()])
        ok = about(shot, *inks)
    elif kind == "link":
        ok = link(shot, int(argv[3]), int(argv[4]), argv[5])
    else:
        print(f"unknown check {kind}")
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
