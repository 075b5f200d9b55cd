#!/usr/bin/python3
"""Checks a screenshot of the main window (Pillow: Debian's python3-pil).

check_screen.py idle SHOT     the idle alert panel in its colours, the window at its design client size
check_screen.py results SHOT  the finished alert panel and a results tree with stream rows, one of
                              them (the store's archive payload) marked suspicious over its picture
check_screen.py busy SHOT     the busy alert panel (no action button) and the white overlay with its picture

The window's client area is found from the alert panel's 5 px left band, which the layout puts at
client (4, 4); every other position follows from the layout rules of the window.
"""

import sys

from PIL import Image


def rgb(hex_text):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


# Panel background, panel border, and the action button's fill and outline (None: hidden).
MODES = {
    "idle": (rgb("#D9EDF7"), rgb("#BCE8F1"), (rgb("#AEDAEE"), rgb("#78C0E2"))),
    "finished": (rgb("#DFF0D8"), rgb("#D6E9C6"), (rgb("#C8E2B4"), rgb("#B4D898"))),
    "busy": (rgb("#FCF8E3"), rgb("#FAEBCC"), None),
}
STOP_BUTTON = (rgb("#FCF8E3"), rgb("#EED962"))
OVERLAY_TILE = rgb("#00ABE0")
WHITE = (255, 255, 255)
FRAME = rgb("#A0AFC3")
STREAM_ROW = rgb("#F7F7F7")
SUSPICIOUS_MARK = rgb("#D81E1E")


class Shot:
    def __init__(self, path):
        self.img = Image.open(path).convert("RGB")
        self.px = self.img.load()
        self.failures = []

    def at(self, x, y):
        return self.px[x, y]

    def expect(self, what, x, y, colour):
        got = self.at(x, y)
        if got != colour:
            self.failures.append(f"{what}: pixel ({x}, {y}) is #{got[0]:02X}{got[1]:02X}{got[2]:02X}, "
                                 f"expected #{colour[0]:02X}{colour[1]:02X}{colour[2]:02X}")

    def find_band(self, border):
        """The top-left pixel of a 5 px wide vertical band of the border colour: the panel's left band."""
        w, h = self.img.size
        for y in range(h - 21):
            for x in range(w - 5):
                if all(self.at(x + i, y + 1) == border for i in range(5)) and self.at(x, y) == border:
                    if self.at(x, y + 20) == border and self.at(x + 4, y + 20) == border:
                        return x, y
        return None


def check_outlined_button(shot, what, x, y, width, height, colours):
    """A flat button at rest: a 1 px outline along every edge, the fill from one pixel inside it."""
    fill, outline = colours
    right, bottom = x + width - 1, y + height - 1
    for name, px, py in (("left", x, y + height // 2), ("right", right, y + height // 2),
                         ("top", x + width // 2, y), ("bottom", x + width // 2, bottom),
                         ("top-left corner", x, y), ("bottom-right corner", right, bottom)):
        shot.expect(f"{what} outline, {name}", px, py, outline)
    for name, px, py in (("top left", x + 1, y + 1), ("bottom right", right - 1, bottom - 1),
                         ("top right", right - 1, y + 1), ("bottom left", x + 1, bottom - 1)):
        shot.expect(f"{what} fill, {name}", px, py, fill)


def check_panel(shot, mode):
    background, border, button = MODES[mode]
    band = shot.find_band(border)
    if band is None:
        shot.failures.append(f"no alert panel in the {mode} colours")
        return None
    ox, oy = band[0] - 4, band[1] - 4
    # The panel: 4 px from the client edges, 8 px narrower than the client area (540).
    height = 0
    while shot.at(ox + 4, oy + 4 + height) == border:
        height += 1
    print(f"client area at ({ox}, {oy}); alert panel {532} x {height}")
    shot.expect("panel background", ox + 4 + 300, oy + 4 + 5, background)
    shot.expect("panel top border", ox + 4 + 300, oy + 4, border)
    shot.expect("panel bottom border", ox + 4 + 300, oy + 4 + height - 1, border)
    shot.expect("panel right border", ox + 535, oy + 4 + 20, border)
    shot.expect("gradient right of the panel", ox + 537, oy + 4 + 20, shot.at(ox + 2, oy + 4 + 20))
    if shot.at(ox + 537, oy + 24) == border:
        shot.failures.append("the panel is wider than the client area allows")
    # The action button: 109 x 28, 4 px from the panel's right and bottom edges (hidden while busy).
    if button is not None:
        check_outlined_button(shot, "action button", ox + 4 + 532 - 4 - 109, oy + 4 + height - 4 - 28,
                              109, 28, button)
    else:
        shot.expect("no action button", ox + 4 + 525, oy + 4 + height - 7, background)
        # The stop button instead: 22 x 21, 4 px from the panel's right and top edges.
        check_outlined_button(shot, "stop button", ox + 4 + 532 - 4 - 22, oy + 4 + 4, 22, 21, STOP_BUTTON)
    # The list's one-pixel frame: 4 px inside the client's left and right, ending 4 px above its bottom.
    list_top = oy + 4 + height + 5
    shot.expect("list frame, left", ox + 4, list_top + 40, FRAME)
    shot.expect("list frame, right", ox + 535, list_top + 40, FRAME)
    shot.expect("list frame, top", ox + 100, list_top - 1, FRAME)
    shot.expect("list frame, bottom", ox + 100, oy + 429, FRAME)
    return ox, oy, list_top


def main():
    mode, path = sys.argv[1], sys.argv[2]
    shot = Shot(path)
    if mode == "idle":
        check_panel(shot, "idle")
    elif mode == "results":
        found = check_panel(shot, "finished")
        if found:
            ox, oy, list_top = found
            # Stream rows are filled grey across the tree; count the screen rows that show it.
            grey_rows = sum(1 for y in range(list_top + 54, oy + 429)
                            if sum(1 for x in range(ox + 40, ox + 530) if shot.at(x, y) == STREAM_ROW) > 300)
            print(f"{grey_rows} screen rows of stream-row grey")
            if grey_rows < 5 * 12:
                shot.failures.append(f"the tree shows too few stream rows ({grey_rows} grey screen rows)")
            dark = sum(1 for y in range(list_top + 54, oy + 429) for x in range(ox + 10, ox + 530)
                       if sum(shot.at(x, y)) < 200)
            if dark < 500:
                shot.failures.append(f"the tree shows almost no text ({dark} dark pixels)")
            # The suspicious stream's picture carries a red disc of 9 px (less its white "!").
            marked = sum(1 for y in range(list_top + 54, oy + 429) for x in range(ox + 10, ox + 120)
                         if shot.at(x, y) == SUSPICIOUS_MARK)
            print(f"{marked} pixels of the suspicious mark")
            if marked < 40:
                shot.failures.append(f"no suspicious stream is marked ({marked} pixels of its red)")
    elif mode == "busy":
        found = check_panel(shot, "busy")
        if found:
            ox, oy, list_top = found
            # The overlay covers the list, toolbar included: white, with the picture's cyan tile in the middle.
            shot.expect("overlay over the toolbar", ox + 20, list_top + 10, WHITE)
            shot.expect("overlay over the tree", ox + 20, oy + 420, WHITE)
            middle_x = ox + 5 + 530 // 2
            middle_y = (list_top + oy + 429) // 2 - 15
            shot.expect("overlay picture", middle_x - 50, middle_y, OVERLAY_TILE)
    else:
        print(__doc__)
        return 2
    for failure in shot.failures:
        print("  " + failure)
    return 1 if shot.failures else 0


if __name__ == "__main__":
    sys.exit(main())
