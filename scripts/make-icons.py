#!/usr/bin/env python3
"""Draws the console's icon: a round robot seen from above with its heading
arrow. Writes the scalable SVG and a PNG in each size desktops look up in the
icon theme (supersampled, no dependencies beyond the standard library) into
console/icons/. The 32 x 32 one is also the window's icon."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "console", "icons")

BODY = (0x2b, 0x6c, 0xb0)
RIM = (0x1a, 0x3f, 0x66)
ARROW = (0xff, 0xc8, 0x2e)
WHEEL = (0x22, 0x22, 0x22)

# The hicolor theme's usual fixed sizes.
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Geometry in a 32 x 32 box.
CENTER = (16.0, 16.0)
RADIUS = 13.0
RIM_WIDTH = 1.5
WHEELS = [(2.0, 10.0, 4.0, 12.0), (26.0, 10.0, 4.0, 12.0)]  # x, y, w, h
ARROW_PTS = [(16.0, 6.0), (23.0, 17.0), (18.5, 17.0), (18.5, 25.0), (13.5, 25.0),
             (13.5, 17.0), (9.0, 17.0)]


def hexcolor(c):
    return "#%02x%02x%02x" % c


def write_svg(path):
    pts = " ".join("%g,%g" % p for p in ARROW_PTS)
    wheels = "".join(
        '<rect x="%g" y="%g" width="%g" height="%g" rx="1" fill="%s"/>' % (x, y, w, h, hexcolor(WHEEL))
        for x, y, w, h in WHEELS)
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">'
           + wheels
           + '<circle cx="%g" cy="%g" r="%g" fill="%s" stroke="%s" stroke-width="%g"/>'
           % (CENTER[0], CENTER[1], RADIUS - RIM_WIDTH / 2, hexcolor(BODY), hexcolor(RIM), RIM_WIDTH)
           + '<polygon points="%s" fill="%s"/>' % (pts, hexcolor(ARROW))
           + "</svg>\n")
    with open(path, "w") as f:
        f.write(svg)


def inside_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def color_at(x, y):
    """Colour and alpha of the icon at a point, painted back to front."""
    d = math.hypot(x - CENTER[0], y - CENTER[1])
    if inside_polygon(x, y, ARROW_PTS) and d < RADIUS:
        return ARROW
    if d < RADIUS - RIM_WIDTH:
        return BODY
    if d < RADIUS:
        return RIM
    for wx, wy, ww, wh in WHEELS:
        if wx <= x < wx + ww and wy <= y < wy + wh:
            return WHEEL
    return None


def write_png(path, size=32, samples=4):
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * 32.0 / size
                    y = (py + (sy + 0.5) / samples) * 32.0 / size
                    c = color_at(x, y)
                    if c:
                        hits += 1
                        for k in range(3):
                            acc[k] += c[k]
            if hits:
                row += bytes([acc[0] // hits, acc[1] // hits, acc[2] // hits,
                              255 * hits // (samples * samples)])
            else:
                row += bytes([0, 0, 0, 0])
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xffffffff)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_svg(os.path.join(OUT, "tavimork.svg"))
    for size in SIZES:
        write_png(os.path.join(OUT, "tavimork-%d.png" % size), size)
