#!/usr/bin/python3
"""Checks screenshots of the windows shown at a display scale other than 100 % (Pillow).

check_dpi.py main SHOT DPI X Y W H      the main window, idle, whose client area lies at X, Y and
                                        measures W x H: its design size scaled, the alert panel,
                                        its left band and borders, the alert's picture (drawn for
                                        the DPI's scale), the action button and the list's frame
                                        where the scaled layout puts them
check_dpi.py dialog SHOT DPI X Y W H    the Setup Scan dialog: its scaled size, the button panel's
                                        top border, the check box and the Valid button's icon (the
                                        picture drawn for the DPI's scale)
check_dpi.py about SHOT DPI X Y W H NAME VERSION
                                        the About window: its scaled size, header, footer, status
                                        panel, the note's icon (the picture drawn for the DPI's
                                        scale) and the name and version lines, whose ink must be the
                                        files NAME and VERSION (gui_probe render at DPI)

Every length of the windows' design is a 96-DPI length; here it is scaled as the program scales
it: length * DPI / 96 rounded to the nearest, halves away from zero.
"""

import glob
import os
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "..", "..", "src", "app", "art")


def art_path(dpi, name, folder=ART):
    """The picture drawn at the scale nearest to dpi (100, 150 or 200 %; a tie takes the smaller)."""
    scale = min((100, 150, 200), key=lambda p: (abs(dpi - 96 * p // 100), p)) if dpi > 96 else 100
    return os.path.join(folder, name) if scale == 100 else os.path.join(folder, str(scale), name)


def rgb(hex_text):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


def hexof(c):
    return f"#{c[0]:02X}{c[1]:02X}{c[2]:02X}"


class Check:
    def __init__(self, path, dpi, x, y, w, h):
        self.img = Image.open(path).convert("RGB")
        self.px = self.img.load()
        self.dpi, self.ox, self.oy, self.w, self.h = dpi, x, y, w, h
        self.failures = []

    def s(self, length):
        """A design length at the window's DPI, rounded as the program rounds it."""
        product = length * self.dpi
        return (product + 48) // 96 if product >= 0 else -((-product + 48) // 96)

    def at(self, x, y):
        return self.px[self.ox + x, self.oy + y]

    def expect(self, what, x, y, colour):
        got = self.at(x, y)
        if got != colour:
            self.failures.append(f"{what}: client ({x}, {y}) is {hexof(got)}, expected {hexof(colour)}")

    def expect_not(self, what, x, y, colour):
        if self.at(x, y) == colour:
            self.failures.append(f"{what}: client ({x}, {y}) is {hexof(colour)}")

    def expect_size(self, width, height):
        want = (self.s(width), self.s(height))
        if (self.w, self.h) != want:
            self.failures.append(f"client area {self.w} x {self.h}, expected {want[0]} x {want[1]} "
                                 f"({width} x {height} at 96 DPI)")

    def expect_run(self, what, x, y, dx, dy, colour, length):
        """Exactly length pixels of colour from (x, y) going (dx, dy)."""
        for i in range(length):
            self.expect(f"{what}, pixel {i + 1} of {length}", x + i * dx, y + i * dy, colour)
        self.expect_not(f"{what}, beyond its {length} pixels", x + length * dx, y + length * dy, colour)

    def find_picture(self, path, x0, y0, x1, y1):
        """Client positions in the area where the picture's fully opaque pixels all show."""
        pic = Image.open(path).convert("RGBA")
        pixels = [(x, y, pic.getpixel((x, y))[:3]) for y in range(pic.height) for x in range(pic.width)
                  if pic.getpixel((x, y))[3] == 255]
        found = []
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if all(self.at(x + px, y + py) == c for px, py, c in pixels):
                    found.append((x, y))
        return found

    def report(self, what):
        for failure in self.failures:
            print("  " + failure)
        if not self.failures:
            print(f"{what}: laid out at {self.dpi} DPI, {self.w} x {self.h}")
        return 0 if not self.failures else 1


def check_main(c):
    s = c.s
    c.expect_size(540, 433)
    background, border = rgb("#D9EDF7"), rgb("#BCE8F1")
    fill, outline = rgb("#AEDAEE"), rgb("#78C0E2")
    # The alert panel from (4, 4), 8 narrower than the client area; its height follows the text.
    panel_left, panel_top = s(4), s(4)
    panel_right = c.w - s(4)  # exclusive
    height = 0
    while panel_top + height < c.h and c.at(panel_left, panel_top + height) == border:
        height += 1
    print(f"alert panel {panel_right - panel_left} x {height}")
    # Its left band is 5 design pixels wide, the other borders one.
    c.expect_run("panel's left band", panel_left, panel_top + s(20), 1, 0, border, s(5))
    c.expect_run("panel's top border", panel_left + s(300), panel_top, 0, 1, border, s(1))
    c.expect_run("panel's right border", panel_right - 1, panel_top + s(20), -1, 0, border, s(1))
    c.expect_run("panel's bottom border", panel_left + s(300), panel_top + height - 1, 0, -1, border, s(1))
    c.expect("panel background", panel_left + s(300), panel_top + s(5), background)
    c.expect_not("right of the panel", panel_right + s(1), panel_top + s(20), border)
    # The alert's picture (10 from the panel's left, 48 x 48 centred down it) is one of the 48-pixel
    # pictures drawn for the DPI's scale, shown whole at its drawn size.
    want = (panel_left + s(10), panel_top + height // 2 - s(48) // 2)
    pictures = sorted(glob.glob(art_path(c.dpi, "img48_*.png")))
    if not any(want in c.find_picture(p, want[0], want[1], want[0], want[1]) for p in pictures):
        c.failures.append(f"no 48-pixel picture drawn for {c.dpi} DPI shows at client {want}")
    # The action button: 109 x 28, 4 from the panel's right and bottom edges, its outline one
    # design pixel thick.
    right, bottom = panel_right - s(4), panel_top + height - s(4)  # exclusive
    left, top = right - s(109), bottom - s(28)
    c.expect_run("action button's left outline", left, top + s(14), 1, 0, outline, s(1))
    c.expect_run("action button's right outline", right - 1, top + s(14), -1, 0, outline, s(1))
    c.expect_run("action button's top outline", left + s(5), top, 0, 1, outline, s(1))
    c.expect_run("action button's bottom outline", left + s(5), bottom - 1, 0, -1, outline, s(1))
    c.expect("action button's fill", left + s(1), top + s(1), fill)
    c.expect("left of the action button", left - 1, top + s(14), background)
    # The list's frame: one design pixel round the list, which starts 5 below the panel and ends
    # 4 above the client's bottom, 5 from its sides.
    frame = rgb("#A0AFC3")
    list_top = panel_top + height + s(5)
    c.expect_run("list frame, left", s(5) - s(1), list_top + s(40), 1, 0, frame, s(1))
    c.expect_run("list frame, right", c.w - s(5), list_top + s(40), 1, 0, frame, s(1))
    c.expect_run("list frame, top", s(100), list_top - s(1), 0, 1, frame, s(1))
    c.expect_run("list frame, bottom", s(100), c.h - s(4), 0, 1, frame, s(1))
    return c.report("main window")


def check_dialog(c):
    s = c.s
    # The full scan's dialog: four rows, the fourth the box that reads volumes directly, in the font
    # of the box above it; the dialog is as wide as its caption needs, never narrower than 337.
    if c.h != s(160) or c.w < s(337):
        c.failures.append(f"client area {c.w} x {c.h}, expected at least {s(337)} x {s(160)} "
                          f"(337 x 160 at 96 DPI)")
    rows = {}
    for name, top in (("first", 70), ("fourth", 94)):
        ink = [(x, y) for y in range(s(top), s(top) + s(21)) for x in range(s(6) + s(13) + s(2), c.w)
               if sum(c.at(x, y)) < 3 * 140]
        rows[name] = (max(x for x, _ in ink), max(y for _, y in ink) - min(y for _, y in ink) + 1) if ink else None
    if rows["first"] is None or rows["fourth"] is None:
        c.failures.append(f"the check boxes' captions are not both drawn ({rows})")
    else:
        # Both captions hold parentheses, which span a font's full height.
        if rows["first"][1] != rows["fourth"][1]:
            c.failures.append(f"the fourth row's caption is {rows['fourth'][1]} pixels high, the first's "
                              f"{rows['first'][1]}: not the same font")
        if rows["fourth"][0] >= c.w - s(2):
            c.failures.append(f"the fourth row's caption reaches the dialog's edge (x {rows['fourth'][0]}): "
                              f"it is cut")
    # The button panel along the bottom, 38 high, with a top border one design pixel thick.
    panel_top = c.h - s(38)
    c.expect_run("button panel's top border", s(150), panel_top, 0, 1, rgb("#DADBDC"), s(1))
    c.expect("button panel", s(150), panel_top + s(1), rgb("#F5F6F7"))
    # The first check box (6, 70, 325 x 21): its 13-pixel box centred in its height, framed one
    # design pixel thick.
    box_top = s(70) + (s(21) - s(13)) // 2
    c.expect_run("check box frame, left", s(6), box_top + s(6), 1, 0, rgb("#8E8F8F"), s(1))
    c.expect("check box inside", s(6) + s(1), box_top + s(6), rgb("#FFFFFF"))
    c.expect_run("check box frame, top", s(6) + s(6), box_top, 0, 1, rgb("#8E8F8F"), s(1))
    # The fourth row's box (6, 94, 331 x 21), laid out like the first.
    direct_top = s(94) + (s(21) - s(13)) // 2
    c.expect_run("direct box frame, left", s(6), direct_top + s(6), 1, 0, rgb("#8E8F8F"), s(1))
    c.expect_run("direct box frame, top", s(6) + s(6), direct_top, 0, 1, rgb("#8E8F8F"), s(1))
    # The Valid button (86 x 28, 5 below the panel's top, 4 from the right): its icon, the picture
    # drawn at the scale nearest the DPI, 8 from its left, centred in its height on its own size.
    icon = art_path(c.dpi, "img16_11.png")
    side = Image.open(icon).size[1]
    left = c.w - s(4) - s(86)
    top = panel_top + s(5)
    want = (left + s(8), top + s(28) // 2 - side // 2)
    found = c.find_picture(icon, want[0] - 6, want[1] - 6, want[0] + 6, want[1] + 6)
    if want not in found:
        c.failures.append(f"the Valid button's icon is not at client {want} (found at {found})")
    # The preview length's spin box (152, 40, 176 x 24): each arrow, 7 x 4 at 96 DPI, is that size
    # scaled in its half of the box.
    spin_left, spin_top, spin_bottom = s(152), s(40), s(40) + s(24)
    middle = (spin_top + spin_bottom) // 2
    for name, y0, y1 in (("up", spin_top, middle), ("down", middle, spin_bottom)):
        ink = [(x, y) for y in range(y0, y1) for x in range(spin_left, spin_left + s(176))
               if c.at(x, y) == rgb("#404040")]
        size = (max(x for x, _ in ink) - min(x for x, _ in ink) + 1,
                max(y for _, y in ink) - min(y for _, y in ink) + 1) if ink else (0, 0)
        if size != (s(7), s(4)):
            c.failures.append(f"the spin box's {name} arrow is {size[0]} x {size[1]}, "
                              f"expected {s(7)} x {s(4)}")
    return c.report("Setup Scan dialog")


def ink_of(c, x0, y0, x1, y1):
    dark = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if sum(c.at(x, y)) < 3 * 140]
    if not dark:
        return []
    left, right = min(x for x, _ in dark), max(x for x, _ in dark)
    top, bottom = min(y for _, y in dark), max(y for _, y in dark)
    return ["".join("#" if sum(c.at(x, y)) < 3 * 140 else "." for x in range(left, right + 1))
            for y in range(top, bottom + 1)]


def check_about(c, name_ink, version_ink):
    s = c.s
    c.expect_size(458, 457)
    header = rgb("#28323C")
    c.expect("header", s(5), s(80), header)
    c.expect("background", s(455), s(100), rgb("#E2E6EA"))
    c.expect("footer", s(5), c.h - s(13), header)
    c.expect_not("above the footer", s(5), c.h - s(26) - 1, header)
    c.expect("footer's first row", s(5), c.h - s(26), header)
    # The status panel (30, 360, 419 x 57) of a file without a signature: a 5-pixel left band and
    # one-pixel borders, scaled.
    border, background = rgb("#FAEBCC"), rgb("#FCF8E3")
    c.expect_run("status panel's left band", s(30), s(390), 1, 0, border, s(5))
    c.expect_run("status panel's top border", s(200), s(360), 0, 1, border, s(1))
    c.expect("status panel background", s(300), s(395), background)
    # The note's icon (8, 285) is the picture drawn for the DPI's scale, from the image's corner.
    want = (s(8), s(285))
    found = c.find_picture(art_path(c.dpi, "info16.png", os.path.join(ART, "about")), want[0] - 4, want[1] - 4,
                           want[0] + 4, want[1] + 4)
    if want not in found:
        c.failures.append(f"the note's icon drawn for {c.dpi} DPI is not at client {want} (found at {found})")
    # The product name and the version in fonts made for the DPI: the ink gui_probe renders at it.
    for what, top, expected in (("product name", 95, name_ink), ("version", 120, version_ink)):
        shown = ink_of(c, s(130), s(top), s(450), s(top) + s(18))
        size = f"{len(shown[0]) if shown else 0} x {len(shown)}"
        want = f"{len(expected[0]) if expected else 0} x {len(expected)}"
        differing = sum(1 for a, b in zip("".join(shown), "".join(expected)) if a != b)
        if not shown or size != want or differing > 0.03 * len("".join(shown)):
            c.failures.append(f"the {what} line shows {size} px of ink, expected the text at {c.dpi} DPI: {want}")
        else:
            print(f"{what}: the expected text at {c.dpi} DPI, {size} px")
    return c.report("About window")


def main(argv):
    kind = argv[1]
    dpi, x, y, w, h = (int(v) for v in argv[3:8])
    c = Check(argv[2], dpi, x, y, w, h)
    if kind == "main":
        return check_main(c)
    if kind == "dialog":
        return check_dialog(c)
    if kind == "about":
        inks = []
        for path in argv[8:10]:
            with open(path, encoding="utf-8") as f:
                inks.append([line.strip() for line in f if line.strip()])
        return check_about(c, *inks)
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
