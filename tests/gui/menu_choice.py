#!/usr/bin/env python3
"""Which item an open menu has chosen, read from a screenshot.

  menu_choice.py SHOT NAME=INK [NAME=INK ...]

The chosen items are the highlighted bands of the open menus (a submenu's and the item that opened
it). Their text is light on the highlight colour; each INK file holds how a candidate's text starts
("#" for ink, as gui_probe render draws it). Prints the one NAME whose ink a band shows; "none" or
"several: ..." with exit code 1 otherwise.
"""
import sys

from PIL import Image

HIGHLIGHT = (48, 150, 250)  # Wine's colour of the chosen menu item


def is_highlight(rgb):
    return all(abs(a - b) <= 12 for a, b in zip(rgb, HIGHLIGHT))


def row_spans(px, width, y):
    """The highlight-coloured spans of a row at least a menu item wide, text and icons inside
    them bridged: [(left, right)]."""
    spans, left, last = [], None, None
    for x in range(width):
        if not is_highlight(px[x, y]):
            continue
        if left is not None and x - last > 40:
            spans.append((left, last))
            left = None
        if left is None:
            left = x
        last = x
    if left is not None:
        spans.append((left, last))
    return [s for s in spans if s[1] - s[0] >= 100]


def highlighted_bands(px, width, height):
    """Every highlighted item band on the screen (a menu's and its submenu's, whichever side the
    submenu opened on) as (left, top, right, bottom)."""
    open_bands, done = {}, []
    for y in range(height):
        seen = {}
        for left, right in row_spans(px, width, y):
            key = next((k for k in open_bands if abs(k[0] - left) <= 2 and abs(k[1] - right) <= 2), (left, right))
            top = open_bands.get(key, y)
            seen[key] = top
        for key, top in open_bands.items():
            if key not in seen:
                done.append((key[0], top, key[1], y - 1))
        open_bands = seen
    done += [(k[0], top, k[1], height - 1) for k, top in open_bands.items()]
    return [b for b in done if b[3] - b[1] >= 8]


def light_ink(px, box):
    """Text drawn light on the band: True where a pixel is nearer white than the highlight."""
    left, top, right, bottom = box
    return [[sum(px[x, y]) > 3 * 200 for x in range(left, right + 1)] for y in range(top, bottom + 1)]


def shows(ink, pattern):
    """Whether the pattern lies somewhere in the band's ink with at most 5% of its pixels differing."""
    rows, cols = len(pattern), len(pattern[0])
    allowed = 0.05 * rows * cols
    for y in range(len(ink) - rows + 1):
        for x in range(len(ink[0]) - cols + 1):
            differing = 0
            for r in range(rows):
                line, want = ink[y + r], pattern[r]
                differing += sum(1 for c in range(cols) if line[x + c] != want[c])
                if differing > allowed:
                    break
            if differing <= allowed:
                return True
    return False


def main(argv):
    shot = Image.open(argv[1]).convert("RGB")
    px = shot.load()
    bands = highlighted_bands(px, shot.width, shot.height)
    if not bands:
        print("none: no menu item is highlighted")
        return 1
    inks = [light_ink(px, box) for box in bands]
    found = []
    for candidate in argv[2:]:
        name, path = candidate.split("=", 1)
        with open(path) as f:
            pattern = [[c == "#" for c in line.strip()] for line in f if line.strip()]
        if pattern and any(shows(ink, pattern) for ink in inks):
            found.append(name)
    if len(found) != 1:
        print("none" if not found else "several: " + " ".join(found))
        return 1
    print(found[0])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
