#!/usr/bin/env python3
"""Draws vgatray's icon, a monitor with a USB plug, and writes it as vgatray.ico.

Standard library only. Each size places the same shapes on its own pixel grid, is drawn four
times finer and averaged down (anti-aliasing), then stored as a 32-bit BMP entry with its AND
mask, which every Windows version reads. Run it again after changing a shape:

    python3 resources/icon/make_icon.py [out.ico] [--png DIR]
"""

import os
import struct
import sys
import zlib

SIZES = (16, 32, 48)
SUPERSAMPLE = 4

# Colours (r, g, b, a).
BEZEL = (38, 44, 56, 255)
SCREEN_TOP = (92, 170, 255, 255)
SCREEN_BOTTOM = (28, 92, 196, 255)
GLARE = (255, 255, 255, 56)
STAND = (120, 128, 142, 255)
STAND_DARK = (86, 94, 108, 255)
PLUG_BODY = (250, 250, 250, 255)
PLUG_OUTLINE = (38, 44, 56, 255)
PLUG_METAL = (196, 202, 212, 255)
PLUG_HOLE = (38, 44, 56, 255)
CABLE = (38, 44, 56, 255)


class Canvas:
    """An RGBA canvas with straight (not premultiplied) colours, drawn in unit coordinates."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def blend(self, x, y, colour):
        if not (0 <= x < self.size and 0 <= y < self.size):
            return
        r, g, b, a = colour
        if a == 0:
            return
        dr, dg, db, da = self.pixels[y][x]
        sa = a / 255.0
        oa = sa + da / 255.0 * (1 - sa)
        if oa <= 0:
            return

        def mix(s, d):
            return (s * sa + d * (da / 255.0) * (1 - sa)) / oa

        self.pixels[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), oa * 255.0)

    def fill(self, inside, colour_at):
        """Paints every pixel whose centre satisfies inside(u, v), in unit coordinates."""
        n = self.size
        for y in range(n):
            v = (y + 0.5) / n
            for x in range(n):
                u = (x + 0.5) / n
                if inside(u, v):
                    self.blend(x, y, colour_at(u, v))


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + radius), x1 - radius)
        cy = min(max(v, y0 + radius), y1 - radius)
        return (u - cx) ** 2 + (v - cy) ** 2 <= radius**2

    return inside


def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u <= x1 and y0 <= v <= y1


def trapezoid(top, bottom, x_top, x_bottom, centre):
    """Symmetric around `centre`: half-widths x_top at `top` and x_bottom at `bottom`."""

    def inside(u, v):
        if not (top <= v <= bottom):
            return False
        t = (v - top) / (bottom - top)
        half = x_top + (x_bottom - x_top) * t
        return abs(u - centre) <= half

    return inside


def solid(colour):
    return lambda u, v: colour


def vertical_gradient(top_colour, bottom_colour, y0, y1):
    def colour_at(u, v):
        t = min(max((v - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(top_colour, bottom_colour))

    return colour_at


# Shapes per size, in pixels of that size: every edge falls on a pixel boundary, so the icon stays
# crisp where it is small.
GEOMETRY = {
    16: dict(bezel=(0, 1, 14, 12, 1), border=1, neck=(5, 12, 9, 13), foot=(13, 14.5, 3, 4, 7),
             outline=(9, 6, 16, 15, 1), metal=(10, 7, 15, 10), holes=((11, 12), (13, 14)),
             hole_rows=(8, 9), body=(10, 10, 15, 14, 0.5), cable=(11.5, 15, 13.5, 16),
             glare=False),
    32: dict(bezel=(1, 3, 28, 23, 2), border=2, neck=(11, 23, 17, 26), foot=(26, 29, 5, 7, 14),
             outline=(19, 10, 31, 29, 2), metal=(21, 12, 29, 19), holes=((22.5, 24), (26, 27.5)),
             hole_rows=(14, 16), body=(20, 19, 30, 27, 1.5), cable=(23.5, 29, 26.5, 32),
             glare=True),
    48: dict(bezel=(1, 5, 42, 35, 3), border=3, neck=(17, 35, 26, 39), foot=(39, 43, 8, 11, 21.5),
             outline=(28, 15, 46, 43, 3), metal=(31, 18, 43, 28), holes=((33, 35), (39, 41)),
             hole_rows=(21, 24), body=(30, 28, 44, 40, 2), cable=(35, 43, 39, 48), glare=True),
}


def draw(canvas, size):
    g = GEOMETRY[size]

    def unit(*values):
        return tuple(v / size for v in values)

    # Monitor: bezel, screen with a soft glare, neck and foot.
    x0, y0, x1, y1, radius = unit(*g["bezel"])
    canvas.fill(rounded_rect(x0, y0, x1, y1, radius), solid(BEZEL))
    b = g["border"] / size
    screen = (x0 + b, y0 + b, x1 - b, y1 - b)
    canvas.fill(rect(*screen), vertical_gradient(SCREEN_TOP, SCREEN_BOTTOM, screen[1], screen[3]))
    if g["glare"]:
        canvas.fill(
            lambda u, v: screen[0] <= u <= screen[2]
            and screen[1] <= v <= screen[3]
            and (u - screen[0]) + (v - screen[1]) * 1.6 <= 0.42,
            solid(GLARE),
        )
    canvas.fill(rect(*unit(*g["neck"])), solid(STAND_DARK))
    top, bottom, half_top, half_bottom, centre = unit(*g["foot"])
    canvas.fill(trapezoid(top, bottom, half_top, half_bottom, centre), solid(STAND))

    # USB plug at the lower right, contacts up, cable leaving downwards.
    x0, y0, x1, y1, radius = unit(*g["outline"])
    canvas.fill(rounded_rect(x0, y0, x1, y1, radius), solid(PLUG_OUTLINE))
    canvas.fill(rect(*unit(*g["metal"])), solid(PLUG_METAL))
    row0, row1 = unit(*g["hole_rows"])
    for left, right in g["holes"]:
        canvas.fill(rect(left / size, row0, right / size, row1), solid(PLUG_HOLE))
    x0, y0, x1, y1, radius = unit(*g["body"])
    canvas.fill(rounded_rect(x0, y0, x1, y1, radius), solid(PLUG_BODY))
    canvas.fill(rect(*unit(*g["cable"])), solid(CABLE))


def render(size):
    fine = Canvas(size * SUPERSAMPLE)
    draw(fine, size)
    out = []
    k = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for j in range(k):
                for i in range(k):
                    pr, pg, pb, pa = fine.pixels[y * k + j][x * k + i]
                    r += pr * pa
                    g += pg * pa
                    b += pb * pa
                    a += pa
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a / (k * k))))
            else:
                row.append((0, 0, 0, 0))
        out.append(row)
    return out


def bmp_entry(pixels):
    """BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask (rows padded to 32 bits)."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    entries = [(size, bmp_entry(pixels)) for size, pixels in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, pixels):
    """For looking at the result; not part of the icon."""
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "vgatray.ico")
    png_dir = None
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg == "--png":
            png_dir = args.pop(0)
        else:
            out = arg
    images = [(size, render(size)) for size in SIZES]
    write_ico(out, images)
    if png_dir:
        os.makedirs(png_dir, exist_ok=True)
        for size, pixels in images:
            write_png(os.path.join(png_dir, "vgatray-%d.png" % size), pixels)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
