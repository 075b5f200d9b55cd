#!/usr/bin/python3
"""Draws every picture of Korvane ADS Ombrolux and writes the generated files.

Run from anywhere: /usr/bin/python3 art/make_art.py (needs Pillow: Debian's python3-pil).

Writes:
  src/app/art/img16_NN.png        the 24 pictures of the 16 px image list Img16
  src/app/art/img48_NN.png        the 9 pictures of the 48 px image list Img48
  src/app/art/refresh128.png      the overlay picture shown during scans
  src/app/art/backup128.png       the overlay picture shown during backups and removals
  src/app/art/ADSOmbrolux.ico     the program icon (16, 24, 32, 48 and 256 px)
  src/app/art/ncabutton*.png      the caption-bar button: normal, hover and pressed, each in the
                                  large form (the brand "Korvane") and the small form (a "K" mark)
  src/app/art/150/, src/app/art/200/
                                  the same pictures (but the program icon) drawn at 1.5 and 2 times
                                  their size, for displays of 144 and 192 DPI
  src/ui/main/UntMainArtData.cpp  the same pictures as data for the window: at 100 % run-length
                                  coded pixels, at the other scales the PNG files (a third of the
                                  size for pictures this smooth)

Each picture is drawn at eight times its size from simple shapes and scaled down, so that its
edges are smooth. Drawing from shapes lets every picture be drawn afresh at each scale of SCALES:
a picture added to a list below is drawn at all of them. The caption-bar button's lettering uses the DejaVu Sans Bold font of Debian's
fonts-dejavu-core. All pictures are this program's own work, free to use (see LICENSE beside them).
"""

import io
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(ROOT, "src", "app", "art")
DATA_CPP = os.path.join(ROOT, "src", "ui", "main", "UntMainArtData.cpp")
SS = 8  # supersampling factor
SCALES = (100, 150, 200)  # percent of the 96-DPI size; 100 is the size the window was designed at
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def rgb(hex_text, alpha=255):
    value = int(hex_text.lstrip("#"), 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, alpha)


class Pic:
    """A square picture drawn in units of its own size (0..1), with a placement stack for parts."""

    def __init__(self, size):
        self.size = size
        self.S = size * SS
        self.img = Image.new("RGBA", (self.S, self.S), (0, 0, 0, 0))
        self.stack = [(0.0, 0.0, 1.0)]

    # Placement: parts are drawn in a box (ox, oy, scale) of the current box.
    def push(self, ox, oy, scale):
        px, py, ps = self.stack[-1]
        self.stack.append((px + ox * ps, py + oy * ps, ps * scale))

    def pop(self):
        self.stack.pop()

    def pt(self, x, y):
        ox, oy, sc = self.stack[-1]
        return ((ox + x * sc) * self.S, (oy + y * sc) * self.S)

    def ln(self, w):
        return max(1, int(round(w * self.stack[-1][2] * self.S)))

    def _layer(self):
        layer = Image.new("RGBA", (self.S, self.S), (0, 0, 0, 0))
        return layer, ImageDraw.Draw(layer)

    def _put(self, layer):
        self.img.alpha_composite(layer)

    def poly(self, points, fill=None, outline=None, width=0.0):
        layer, d = self._layer()
        pts = [self.pt(x, y) for x, y in points]
        if fill:
            d.polygon(pts, fill=fill)
        if outline and width > 0:
            d.line(pts + [pts[0]], fill=outline, width=self.ln(width), joint="curve")
        self._put(layer)

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=0.0, radius=0.0):
        layer, d = self._layer()
        a, b = self.pt(x0, y0), self.pt(x1, y1)
        r = radius * self.stack[-1][2] * self.S
        d.rounded_rectangle([a, b], radius=r, fill=fill, outline=outline,
                            width=self.ln(width) if outline and width > 0 else 0)
        self._put(layer)

    def ellipse(self, cx, cy, rx, ry=None, fill=None, outline=None, width=0.0):
        ry = rx if ry is None else ry
        layer, d = self._layer()
        a, b = self.pt(cx - rx, cy - ry), self.pt(cx + rx, cy + ry)
        d.ellipse([a, b], fill=fill, outline=outline,
                  width=self.ln(width) if outline and width > 0 else 0)
        self._put(layer)

    def line(self, points, color, width):
        layer, d = self._layer()
        pts = [self.pt(x, y) for x, y in points]
        w = self.ln(width)
        d.line(pts, fill=color, width=w, joint="curve")
        for p in (pts[0], pts[-1]):  # round caps
            d.ellipse([p[0] - w / 2, p[1] - w / 2, p[0] + w / 2, p[1] + w / 2], fill=color)
        self._put(layer)

    def arc(self, cx, cy, r, start, end, color, width):
        steps = max(8, int(abs(end - start) / 6))
        pts = [(cx + r * math.cos(math.radians(start + (end - start) * i / steps)),
                cy + r * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]
        self.line(pts, color, width)

    def result(self):
        small = self.img.convert("RGBa").resize((self.size, self.size), Image.BOX)
        return small.convert("RGBA")


# ---- Parts. Each draws in the unit box of the current placement.

OUTLINE = rgb("#4A4A4A")


def drive(p):
    p.rect(0.05, 0.30, 0.95, 0.80, fill=rgb("#D6D9DE"), outline=rgb("#5E6670"), width=0.06, radius=0.10)
    p.rect(0.08, 0.58, 0.92, 0.77, fill=rgb("#9AA3AE"), radius=0.06)
    p.ellipse(0.80, 0.675, 0.055, fill=rgb("#3FD13F"))
    p.line([(0.16, 0.675), (0.55, 0.675)], rgb("#6B7480"), 0.05)


def folder(p, body="#F2C14E", back="#D9A12B", edge="#A8791A"):
    p.poly([(0.05, 0.22), (0.38, 0.22), (0.46, 0.32), (0.95, 0.32), (0.95, 0.85), (0.05, 0.85)],
           fill=rgb(back), outline=rgb(edge), width=0.05)
    p.poly([(0.05, 0.40), (0.95, 0.40), (0.95, 0.85), (0.05, 0.85)], fill=rgb(body), outline=rgb(edge),
           width=0.05)


def page(p):
    p.poly([(0.18, 0.05), (0.62, 0.05), (0.84, 0.27), (0.84, 0.95), (0.18, 0.95)], fill=rgb("#FFFFFF"),
           outline=rgb("#7A7A7A"), width=0.06)
    p.poly([(0.62, 0.05), (0.62, 0.27), (0.84, 0.27)], fill=rgb("#D8D8D8"), outline=rgb("#7A7A7A"),
           width=0.05)
    for y in (0.42, 0.56, 0.70, 0.84):
        p.line([(0.30, y), (0.72, y)], rgb("#A0A8B4"), 0.05)


def diskette(p, body="#3465A4", edge="#1F3F6B"):
    p.poly([(0.08, 0.08), (0.80, 0.08), (0.92, 0.20), (0.92, 0.92), (0.08, 0.92)], fill=rgb(body),
           outline=rgb(edge), width=0.06)
    p.rect(0.26, 0.08, 0.70, 0.36, fill=rgb("#D0D5DC"), outline=rgb(edge), width=0.04)
    p.rect(0.56, 0.13, 0.64, 0.31, fill=rgb(edge))
    p.rect(0.20, 0.52, 0.80, 0.92, fill=rgb("#FFFFFF"), outline=rgb(edge), width=0.04)


def tick(p, color, width=0.16):
    p.line([(0.18, 0.52), (0.42, 0.76), (0.84, 0.26)], color, width)


def tick_circle(p, color="#3DA84A", edge="#23782F"):
    p.ellipse(0.5, 0.5, 0.46, fill=rgb(color), outline=rgb(edge), width=0.05)
    p.push(0.12, 0.12, 0.76)
    tick(p, rgb("#FFFFFF"), 0.17)
    p.pop()


def info_circle(p):
    p.ellipse(0.5, 0.5, 0.46, fill=rgb("#2F7FD0"), outline=rgb("#1B5A9A"), width=0.05)
    p.ellipse(0.5, 0.27, 0.08, fill=rgb("#FFFFFF"))
    p.rect(0.42, 0.42, 0.58, 0.80, fill=rgb("#FFFFFF"), radius=0.03)


def no_entry(p):
    p.ellipse(0.5, 0.5, 0.46, fill=rgb("#D9302C"), outline=rgb("#9E1C19"), width=0.05)
    p.rect(0.20, 0.41, 0.80, 0.59, fill=rgb("#FFFFFF"), radius=0.03)


def block_arrow(p, color, edge, up):
    pts = [(0.50, 0.05), (0.92, 0.50), (0.66, 0.50), (0.66, 0.95), (0.34, 0.95), (0.34, 0.50), (0.08, 0.50)]
    if not up:
        pts = [(x, 1.0 - y) for x, y in pts]
    p.poly(pts, fill=rgb(color), outline=rgb(edge), width=0.06)


def side_arrow(p, color, edge):
    """A block arrow pointing right: something leaving the picture it stands on."""
    p.poly([(0.95, 0.50), (0.50, 0.92), (0.50, 0.66), (0.05, 0.66), (0.05, 0.34), (0.50, 0.34), (0.50, 0.08)],
           fill=rgb(color), outline=rgb(edge), width=0.06)


def gear(p):
    teeth = []
    for i in range(16):
        a = math.radians(i * 22.5)
        r = 0.46 if i % 2 == 0 else 0.34
        teeth.append((0.5 + r * math.cos(a), 0.5 + r * math.sin(a)))
    p.poly(teeth, fill=rgb("#8A939E"), outline=rgb("#4E565F"), width=0.05)
    p.ellipse(0.5, 0.5, 0.14, fill=rgb("#FFFFFF"), outline=rgb("#4E565F"), width=0.05)


def magnifier(p):
    p.line([(0.60, 0.60), (0.90, 0.90)], rgb("#5A4632"), 0.16)
    p.ellipse(0.40, 0.40, 0.30, fill=rgb("#CFE8FA", 220), outline=rgb("#3D4A57"), width=0.10)


def pencil(p):
    p.poly([(0.78, 0.08), (0.94, 0.24), (0.34, 0.84), (0.18, 0.68)], fill=rgb("#F5B82E"), outline=rgb("#8C5F0E"),
           width=0.05)
    p.poly([(0.18, 0.68), (0.34, 0.84), (0.08, 0.94)], fill=rgb("#F1D7A8"), outline=rgb("#8C5F0E"), width=0.05)
    p.poly([(0.78, 0.08), (0.94, 0.24), (0.86, 0.32), (0.70, 0.16)], fill=rgb("#E2727A"))


def shield_outline():
    return [(0.50, 0.04), (0.90, 0.18), (0.86, 0.56), (0.50, 0.96), (0.14, 0.56), (0.10, 0.18)]


def shield(p, colours):
    """A shield in four quarters: colours is (top-left, top-right, bottom-left, bottom-right)."""
    tl, tr, bl, br = colours
    p.poly(shield_outline(), fill=rgb("#555555"))
    p.poly([(0.50, 0.10), (0.50, 0.50), (0.16, 0.50), (0.15, 0.22)], fill=rgb(tl))
    p.poly([(0.50, 0.10), (0.85, 0.22), (0.83, 0.50), (0.50, 0.50)], fill=rgb(tr))
    p.poly([(0.16, 0.50), (0.50, 0.50), (0.50, 0.89), (0.19, 0.56)], fill=rgb(bl))
    p.poly([(0.50, 0.50), (0.83, 0.50), (0.81, 0.56), (0.50, 0.89)], fill=rgb(br))


def warning_shield(p):
    p.poly(shield_outline(), fill=rgb("#3B6FB6"), outline=rgb("#23467A"), width=0.05)
    p.poly([(0.50, 0.22), (0.78, 0.74), (0.22, 0.74)], fill=rgb("#FFD23F"), outline=rgb("#8C6A00"), width=0.04)
    p.rect(0.47, 0.38, 0.53, 0.60, fill=rgb("#3A3A3A"))
    p.ellipse(0.50, 0.67, 0.035, fill=rgb("#3A3A3A"))


def linked_diamonds(p):
    def diamond(cx, cy, r, color):
        p.poly([(cx, cy - r), (cx + r, cy), (cx, cy + r), (cx - r, cy)], outline=rgb(color), width=0.14)

    diamond(0.36, 0.50, 0.30, "#2A7BC8")
    diamond(0.64, 0.50, 0.30, "#1FA58E")


def gem(p, motion=True):
    if motion:
        for y, x0 in ((0.36, 0.02), (0.52, 0.0), (0.68, 0.06)):
            p.line([(x0, y), (x0 + 0.22, y)], rgb("#B07CD8"), 0.07)
    p.poly([(0.42, 0.20), (0.82, 0.20), (0.98, 0.40), (0.62, 0.90), (0.26, 0.40)], fill=rgb("#8E44AD"),
           outline=rgb("#5B2370"), width=0.05)
    p.poly([(0.42, 0.20), (0.82, 0.20), (0.74, 0.40), (0.50, 0.40)], fill=rgb("#C08BE0"))
    p.poly([(0.50, 0.40), (0.74, 0.40), (0.62, 0.90)], fill=rgb("#A561CF"))


def box(p, fill="#FFFFFF", edge="#4F6F9A"):
    p.rect(0.10, 0.10, 0.90, 0.90, fill=rgb(fill), outline=rgb(edge), width=0.08, radius=0.10)


def funnel(p):
    p.poly([(0.06, 0.10), (0.94, 0.10), (0.60, 0.50), (0.60, 0.92), (0.40, 0.80), (0.40, 0.50)],
           fill=rgb("#5B8DD0"), outline=rgb("#2D578E"), width=0.06)


def cross(p, color, edge):
    p.line([(0.18, 0.18), (0.82, 0.82)], rgb(edge), 0.30)
    p.line([(0.82, 0.18), (0.18, 0.82)], rgb(edge), 0.30)
    p.line([(0.18, 0.18), (0.82, 0.82)], rgb(color), 0.20)
    p.line([(0.82, 0.18), (0.18, 0.82)], rgb(color), 0.20)


def badge(p, draw_part, ox=0.46, oy=0.46, scale=0.54):
    p.push(ox, oy, scale)
    draw_part(p)
    p.pop()


# ---- The pictures of the image lists.

def img16_pictures():
    grey = dict(body="#BDBDBD", back="#A4A4A4", edge="#6E6E6E")
    return [
        linked_diamonds,                                                             # 0
        gem,                                                                         # 1
        lambda p: (folder(p), badge(p, diskette, 0.42, 0.42, 0.58)),                 # 2
        lambda p: (page(p), badge(p, lambda q: block_arrow(q, "#D9302C", "#8E1A17", True), 0.40, 0.30, 0.62)),
        lambda p: (box(p), p.line([(0.28, 0.5), (0.72, 0.5)], rgb("#2B4F80"), 0.14)),  # 4
        lambda p: (box(p), p.line([(0.28, 0.38), (0.5, 0.62), (0.72, 0.38)], rgb("#2B4F80"), 0.14)),  # 5
        funnel,                                                                      # 6
        lambda p: (folder(p), badge(p, magnifier, 0.40, 0.38, 0.62)),                # 7
        lambda p: (drive(p), badge(p, lambda q: tick(q, rgb("#2E9E3E"), 0.22), 0.40, 0.0, 0.62)),  # 8
        lambda p: (drive(p), badge(p, pencil, 0.42, 0.0, 0.58)),                     # 9
        no_entry,                                                                    # 10
        tick_circle,                                                                 # 11
        lambda p: box(p),                                                            # 12
        lambda p: (box(p), p.push(0.14, 0.14, 0.72), tick(p, rgb("#2E9E3E"), 0.2), p.pop()),  # 13
        lambda p: cross(p, "#E8413C", "#A3201C"),                                    # 14
        lambda p: (diskette(p), badge(p, tick_circle, 0.46, 0.46, 0.54)),            # 15
        lambda p: cross(p, "#A9A9A9", "#7A7A7A"),                                    # 16
        lambda p: (folder(p, **grey), badge(p, lambda q: diskette(q, "#9A9A9A", "#666666"), 0.42, 0.42, 0.58)),
        info_circle,                                                                 # 18
        lambda p: shield(p, ("#2F6FD6", "#F5C400", "#F5C400", "#2F6FD6")),           # 19
        lambda p: shield(p, ("#9C9C9C", "#C8C8C8", "#C8C8C8", "#9C9C9C")),           # 20
        page,                                                                        # 21
        lambda p: (page(p), badge(p, drive, 0.36, 0.40, 0.64)),                      # 22 a disk image file
        lambda p: (page(p), badge(p, lambda q: side_arrow(q, "#3DA84A", "#23782F"), 0.40, 0.38, 0.60)),  # 23 export
    ]


def img48_pictures():
    blue = dict(body="#5DA3E8", back="#3C82CC", edge="#245A96")
    return [
        lambda p: (folder(p, **blue), badge(p, tick_circle, 0.50, 0.50, 0.48)),      # 0
        tick_circle,                                                                 # 1
        lambda p: (drive(p), badge(p, gear, 0.52, 0.04, 0.46)),                      # 2
        lambda p: (drive(p), badge(p, info_circle, 0.52, 0.04, 0.46)),               # 3
        lambda p: (drive(p), badge(p, magnifier, 0.50, 0.02, 0.50)),                 # 4
        warning_shield,                                                              # 5
        lambda p: (drive(p), badge(p, lambda q: block_arrow(q, "#3DA84A", "#23782F", False), 0.54, 0.0, 0.44)),
        lambda p: (drive(p), badge(p, lambda q: block_arrow(q, "#D9302C", "#8E1A17", True), 0.54, 0.0, 0.44)),
        lambda p: (drive(p), badge(p, no_entry, 0.52, 0.04, 0.46)),                  # 8
    ]


def scaled(size, scale):
    """A length of the 96-DPI design at a scale of SCALES (every size here gives whole pixels)."""
    return size * scale // 100


def scale_folder(scale):
    """Where the pictures of a scale are written: the art folder itself at 100 %, a subfolder else."""
    return ART if scale == 100 else os.path.join(ART, str(scale))


def overlay(draw_symbol, size=128):
    p = Pic(size)
    p.rect(0.02, 0.02, 0.98, 0.98, fill=rgb("#00ABE0"), outline=rgb("#0093C2"), width=0.02, radius=0.16)
    draw_symbol(p)
    return p.result()


def circling_arrows(p):
    white = rgb("#FFFFFF")
    p.arc(0.5, 0.5, 0.27, 200, 340, white, 0.09)
    p.arc(0.5, 0.5, 0.27, 20, 160, white, 0.09)
    for angle in (340, 160):  # arrow heads at the ends of the two arcs, pointing along them
        a = math.radians(angle)
        cx, cy = 0.5 + 0.27 * math.cos(a), 0.5 + 0.27 * math.sin(a)
        tx, ty = -math.sin(a), math.cos(a)  # direction of travel (clockwise on screen)
        nx, ny = math.cos(a), math.sin(a)
        tip = (cx + tx * 0.13, cy + ty * 0.13)
        p.poly([tip, (cx + nx * 0.11, cy + ny * 0.11), (cx - nx * 0.11, cy - ny * 0.11)], fill=white)


def down_arrow(p):
    white = rgb("#FFFFFF")
    p.poly([(0.40, 0.16), (0.60, 0.16), (0.60, 0.48), (0.74, 0.48), (0.50, 0.72), (0.26, 0.48), (0.40, 0.48)],
           fill=white)
    p.rect(0.22, 0.78, 0.78, 0.85, fill=white, radius=0.02)


def icon(size):
    p = Pic(size)
    p.rect(0.03, 0.03, 0.97, 0.97, fill=rgb("#1E3A5F"), outline=rgb("#0F2238"), width=0.03, radius=0.18)
    p.push(0.10, 0.14, 0.80)
    gem(p)
    p.pop()
    return p.result()


# ---- The caption-bar button: a tab standing on the caption bar's lower edge, with the brand (or its
# initial in the small form) and a down arrow that says it drops a menu.

CAPTION_STATES = {  # state: (tab fill top, tab fill bottom, edge)
    "LINK": ("#3C4A5A", "#28323C", "#161C22"),
    "HOVER": ("#3F7FD0", "#2A5FA8", "#173A6B"),
    "ACTION": ("#1B2733", "#0F161D", "#06090C"),
}
CAPTION_SIZES = {"": (78, 18, "Korvane"), "_MIN": (28, 14, "K")}


def caption_button(width, height, text, state, scale=100):
    """The button of width x height pixels at 100 %, drawn at scale (the lengths below are of 100 %)."""
    f = scale / 100

    def px(n):  # n pixels of 100 % in the supersampled drawing
        return int(round(n * SS * f))

    top, bottom, edge = (rgb(c) for c in CAPTION_STATES[state])
    W, H = scaled(width, scale) * SS, scaled(height, scale) * SS
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    # The tab: slanted sides, rounded top corners, open at the bottom.
    mask = Image.new("L", (W, H), 0)
    md = ImageDraw.Draw(mask)
    slant = px(2)
    md.rounded_rectangle([slant, 0, W - 1 - slant, H + px(3)], radius=px(3), fill=255)
    md.polygon([(0, H - 1), (slant + px(1), H * 0.25), (W - 1 - slant - px(1), H * 0.25), (W - 1, H - 1)],
               fill=255)
    fill = Image.new("RGBA", (W, H))
    for y in range(H):  # a vertical gradient from top to bottom
        t = y / max(1, H - 1)
        c = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)) + (255,)
        ImageDraw.Draw(fill).line([(0, y), (W, y)], fill=c)
    edge_img = Image.new("RGBA", (W, H), edge)
    img.paste(edge_img, (0, 0), mask)
    inner = mask.resize((W - px(2), H - px(1))).crop((0, 0, W - px(2), H - px(1)))
    inner_mask = Image.new("L", (W, H), 0)
    inner_mask.paste(inner, (px(1), px(1)))
    img.paste(fill, (0, 0), inner_mask)
    d = ImageDraw.Draw(img)
    white = rgb("#FFFFFF")
    # The down arrow at the right end.
    ax = W - slant - px(7)
    ay = H * 0.5
    d.polygon([(ax - px(3), ay - 1.5 * SS * f), (ax + px(3), ay - 1.5 * SS * f), (ax, ay + px(2))], fill=white)
    # The lettering, centred between the left slant and the arrow.
    font = ImageFont.truetype(FONT_BOLD, px(height - 7) if text != "K" else px(height - 4))
    box = d.textbbox((0, 0), text, font=font)
    tw, th = box[2] - box[0], box[3] - box[1]
    left, right = slant + px(2), ax - px(4)
    tx = left + (right - left - tw) / 2 - box[0]
    ty = (H - th) / 2 - box[1] + SS * 0.5 * f
    d.text((tx, ty), text, font=font, fill=white)
    small = img.convert("RGBa").resize((W // SS, H // SS), Image.BOX)
    return small.convert("RGBA")


def caption_buttons(scale=100):
    """The six pictures by resource name (of 100 %; the program adds _150 or _200 for the others)."""
    return {f"NCABUTTON{state}{suffix}": caption_button(w, h, text, state, scale)
            for suffix, (w, h, text) in CAPTION_SIZES.items() for state in CAPTION_STATES}


def draw(size, fn):
    p = Pic(size)
    fn(p)
    return p.result()


# ---- Output.

def rle_words(image):
    """Runs of equal pixels: pairs of (count, 0xAABBGGRR)."""
    words = []
    data = list(image.getdata())
    i = 0
    while i < len(data):
        j = i
        while j + 1 < len(data) and data[j + 1] == data[i]:
            j += 1
        r, g, b, a = data[i]
        if a == 0:
            r = g = b = 0
        words += [j - i + 1, (a << 24) | (b << 16) | (g << 8) | r]
        i = j + 1
    return words


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=True)
    return out.getvalue()


def cpp_png_table(name, files):
    """The PNG files as byte arrays and a table of them ending with an empty entry."""
    lines = []
    entries = []
    for i, (file_name, data) in enumerate(files):
        const = f"{name}_{i:02d}"
        lines.append(f"// {file_name}")
        lines.append(f"const std::uint8_t {const}[] = {{")
        for k in range(0, len(data), 16):
            lines.append("    " + " ".join(f"0x{b:02X}," for b in data[k:k + 16]))
        lines.append("};")
        entries.append(f"    {{{const}, sizeof {const}}},")
    lines.append(f"const TPngFile {name}[] = {{")
    lines += entries
    lines.append("    {nullptr, 0},")
    lines.append("};")
    return "\n".join(lines)


def cpp_array(name, images):
    lines = [f"const std::uint32_t {name}[] = {{"]
    for image in images:
        words = rle_words(image)
        lines.append(f"    // {image.width} x {image.height}, {len(words) // 2} runs")
        lines.append(f"    {image.width}, {image.height}, {len(words) // 2},")
        for k in range(0, len(words), 8):
            lines.append("    " + " ".join(f"0x{w:X}," for w in words[k:k + 8]))
    lines.append("    0, 0, 0,")
    lines.append("};")
    return "\n".join(lines)


def draw_scale(scale):
    """The pictures of one scale, written as PNG files (at 100 % as they always were, at the others
    optimised, as the window carries them). Answers the window's groups: (Img16, Img48, overlays),
    each a list of (file name, picture, PNG bytes)."""
    folder = scale_folder(scale)
    os.makedirs(folder, exist_ok=True)

    def save(file_name, image):
        path = os.path.join(folder, file_name)
        if scale == 100:
            image.save(path)
            return (file_name, image, None)
        data = png_bytes(image)
        with open(path, "wb") as f:
            f.write(data)
        return (file_name, image, data)

    img16 = [save(f"img16_{i:02d}.png", draw(scaled(16, scale), fn)) for i, fn in enumerate(img16_pictures())]
    img48 = [save(f"img48_{i:02d}.png", draw(scaled(48, scale), fn)) for i, fn in enumerate(img48_pictures())]
    overlays = [save("refresh128.png", overlay(circling_arrows, scaled(128, scale))),
                save("backup128.png", overlay(down_arrow, scaled(128, scale)))]
    for name, image in caption_buttons(scale).items():
        save(name.lower() + ".png", image)
    return img16, img48, overlays


def main():
    drawn = {scale: draw_scale(scale) for scale in SCALES}
    img16, img48, overlays = ([image for _, image, _ in group] for group in drawn[100])
    icons = [icon(s) for s in (256, 48, 32, 24, 16)]
    icons[0].save(os.path.join(ART, "ADSOmbrolux.ico"), sizes=[(s, s) for s in (16, 24, 32, 48, 256)],
                  append_images=icons[1:])
    icons[0].save(os.path.join(ART, "icon256.png"))

    with open(DATA_CPP, "w", encoding="utf-8", newline="\n") as out:
        out.write("// Generated by art/make_art.py: the program's pictures as runs of equal pixels.\n")
        out.write("// Do not edit; run the script again.\n\n")
        out.write("#include \"ui/main/UntMainArt.h\"\n\n")
        out.write("namespace art {\n\n")
        out.write("// Per picture: width, height, run count, then (count, 0xAABBGGRR) per run; 0, 0, 0 ends.\n")
        out.write(cpp_array("kImg16Runs", img16) + "\n\n")
        out.write(cpp_array("kImg48Runs", img48) + "\n\n")
        out.write(cpp_array("kOverlayRuns", overlays) + "\n\n")
        for scale in SCALES[1:]:
            out.write(f"// ---- At {scale} %: PNG files.\n\n")
            for name, group in zip(("kImg16Png", "kImg48Png", "kOverlayPng"), drawn[scale]):
                files = [(f"{scale}/{file_name}", data) for file_name, _, data in group]
                out.write(cpp_png_table(name + str(scale), files) + "\n\n")
        out.write("} // namespace art\n")
    print(f"wrote {len(img16)} + {len(img48)} + 2 + 6 pictures at {len(SCALES)} scales and the icon", file=sys.stderr)


if __name__ == "__main__":
    main()
