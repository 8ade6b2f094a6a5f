#!/usr/bin/env python3
"""Draws the program's icon, the link cursor and the built-in banner.

Writes ui/res/bootwright.ico (16, 32 and 48 pixels, 32-bit with alpha),
ui/res/hand.cur (32x32 monochrome) and ui/res/banner.bmp (24-bit). The files
are committed; run this again only to change the pictures.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "ui", "res")

# The icon's shapes on a 32-unit grid: (colour RGBA, polygon). Later shapes
# cover earlier ones. An open carton with a green arrow going into it.
OUTLINE_BOX = (110, 70, 30, 255)
SHAPES = [
    # Back of the opening, seen over the front edge.
    (OUTLINE_BOX, [(5, 13), (27, 13), (27, 17), (5, 17)]),
    ((80, 50, 22, 255), [(6, 14), (26, 14), (26, 17), (6, 17)]),
    # Flaps folded outwards.
    (OUTLINE_BOX, [(4.5, 16.5), (16, 16.5), (11.5, 9.5), (0.5, 11.5)]),
    ((236, 196, 128, 255), [(5.8, 15.7), (14.4, 15.7), (11, 10.6), (2.2, 12.1)]),
    (OUTLINE_BOX, [(16, 16.5), (27.5, 16.5), (31.5, 11.5), (20.5, 9.5)]),
    ((214, 166, 96, 255), [(17.6, 15.7), (26.2, 15.7), (29.8, 12.1), (21, 10.6)]),
    # Front face with a lighter band of tape.
    (OUTLINE_BOX, [(5, 16), (27, 16), (27, 30.5), (5, 30.5)]),
    ((222, 172, 98, 255), [(6, 17), (26, 17), (26, 29.5), (6, 29.5)]),
    ((240, 206, 146, 255), [(6, 17), (26, 17), (26, 19.5), (6, 19.5)]),
    # Arrow: dark rim, then body, then a highlight on its left side.
    ((20, 100, 30, 255), [(11.8, 0.5), (20.2, 0.5), (20.2, 9.2), (26, 9.2), (16, 21.5), (6, 9.2), (11.8, 9.2)]),
    ((64, 178, 64, 255), [(13, 1.6), (19, 1.6), (19, 10.4), (23.4, 10.4), (16, 19.6), (8.6, 10.4), (13, 10.4)]),
    ((140, 222, 120, 255), [(13, 1.6), (15, 1.6), (15, 10.4), (13, 10.4)]),
]

SUB = 4  # sub-samples per pixel and axis


def inside(poly, x, y):
    result = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def blend(dst, colour, coverage):
    r, g, b, a = colour
    a = a / 255.0 * coverage
    dr, dg, db, da = dst
    out_a = a + da * (1 - a)
    if out_a <= 0:
        return (0, 0, 0, 0)
    mix = lambda s, d: (s * a + d * da * (1 - a)) / out_a
    return (mix(r, dr), mix(g, dg), mix(b, db), out_a)


def paint(canvas, width, height, shapes, scale, dx=0.0, dy=0.0):
    """Draws shapes (32-unit grid) scaled and moved onto an RGBA float canvas."""
    for colour, poly in shapes:
        pts = [(x * scale + dx, y * scale + dy) for x, y in poly]
        x0 = max(0, int(min(p[0] for p in pts)))
        x1 = min(width - 1, int(max(p[0] for p in pts)) + 1)
        y0 = max(0, int(min(p[1] for p in pts)))
        y1 = min(height - 1, int(max(p[1] for p in pts)) + 1)
        for py in range(y0, y1 + 1):
            for px in range(x0, x1 + 1):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if inside(pts, px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                            hits += 1
                if hits:
                    canvas[py][px] = blend(canvas[py][px], colour, hits / (SUB * SUB))


def icon_image(size):
    canvas = [[(0, 0, 0, 0.0) for _ in range(size)] for _ in range(size)]
    paint(canvas, size, size, SHAPES, size / 32.0)
    xor = bytearray()
    for row in reversed(canvas):
        for r, g, b, a in row:
            xor += bytes((int(round(b)), int(round(g)), int(round(r)), int(round(a * 255))))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 0.5:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    with open(path, "wb") as f:
        f.write(data)


# A pointing hand; X outline, anything enclosed by it is white.
HAND = [
    "     XX         ",
    "    X..X        ",
    "    X..X        ",
    "    X..X        ",
    "    X..X        ",
    "    X..XXX      ",
    "    X..X..XXX   ",
    "    X..X..X..XX ",
    " XX X..X..X..X.X",
    "X..XX........X.X",
    "X...X..........X",
    " X.............X",
    "  X............X",
    "  X............X",
    "   X..........X ",
    "   X..........X ",
    "    X........X  ",
    "    X........X  ",
    "    XXXXXXXXXX  ",
]


def write_cursor(path):
    size = 32
    grid = [[" "] * size for _ in range(size)]
    for y, line in enumerate(HAND):
        for x, c in enumerate(line):
            grid[y][x] = c
    # Everything reachable from the corner without crossing the outline is outside.
    outside = set()
    stack = [(0, 0)]
    while stack:
        x, y = stack.pop()
        if not (0 <= x < size and 0 <= y < size) or (x, y) in outside or grid[y][x] == "X":
            continue
        outside.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    stride = 4
    xor = bytearray()
    andm = bytearray()
    for y in reversed(range(size)):
        xr = bytearray(stride)
        ar = bytearray(stride)
        for x in range(size):
            bit = 0x80 >> (x % 8)
            if (x, y) in outside:
                ar[x // 8] |= bit
            elif grid[y][x] != "X":
                xr[x // 8] |= bit
        xor += xr
        andm += ar
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    image = header + palette + bytes(xor) + bytes(andm)
    hotspot = (5, 0)
    data = struct.pack("<HHH", 0, 2, 1)
    data += struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(image), 22)
    with open(path, "wb") as f:
        f.write(data + image)


def write_banner(path, width, height):
    top = (18, 52, 104)
    bottom = (38, 128, 160)
    canvas = []
    for y in range(height):
        t = y / (height - 1)
        row = []
        for x in range(width):
            c = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
            # Faint diagonal light from the upper left.
            glow = max(0.0, 1.0 - ((x + y * 0.6) / (width + height * 0.6)) * 1.6) * 40
            row.append((min(255, c[0] + glow), min(255, c[1] + glow), min(255, c[2] + glow), 1.0))
        canvas.append(row)
    # Two soft rings in the background.
    rings = []
    for cx, cy, r, alpha in ((width * 0.85, height * 0.22, 46, 34), (width * 0.1, height * 0.5, 30, 26)):
        poly = []
        import math
        for k in range(48):
            a = 2 * math.pi * k / 48
            poly.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        rings.append(((255, 255, 255, alpha), [(x / 1.0, y / 1.0) for x, y in poly]))
    paint(canvas, width, height, rings, 1.0)
    scale = 2.6
    paint(canvas, width, height, SHAPES, scale, (width - 32 * scale) / 2, height - 32 * scale - 18)
    stride = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(canvas):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((int(b), int(g), int(r)))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(file_header + info + pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_icon(os.path.join(OUT, "bootwright.ico"), [16, 32, 48])
    write_cursor(os.path.join(OUT, "hand.cur"))
    # The banner control is 75 x 130 dialog units: 113 x 212 pixels at 96 dpi.
    write_banner(os.path.join(OUT, "banner.bmp"), 113, 212)
    return 0


if __name__ == "__main__":
    sys.exit(main())
