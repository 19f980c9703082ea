#!/usr/bin/env python3
"""Draws the list button bar's strip (88 x 20, four 22-pixel cells: add,
delete, up, down on light grey) as a 4-bit BMP file, controls/liststrip.bmp,
which the controls library compiles in. Run from the repository root after
changing a sign."""
import struct

W, H, CELL = 88, 20, 22
# The standard 16 VGA colours, in colour table order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, SILVER, GREY, YELLOW, WHITE = 0, 1, 7, 8, 11, 15

pixels = [[SILVER] * W for _ in range(H)]


def put(cell, x, y, colour):
    pixels[y][cell * CELL + x] = colour


def draw_add(cell):
    # A sheet drawn as a dotted outline with a folded corner...
    left, top, right, bottom, fold = 8, 5, 17, 17, 3
    for x in range(left, right + 1):
        for y in range(top, bottom + 1):
            on_edge = x in (left, right) or y in (top, bottom)
            in_fold = x - (right - fold) > y - top
            on_fold = x - (right - fold) == y - top or (x == right - fold and y <= top + fold) \
                or (y == top + fold and x >= right - fold)
            if ((on_edge and not in_fold) or on_fold) and (x + y) % 2 == 0:
                put(cell, x, y, BLACK)
    # ...and a small sparkle at its upper left.
    cx, cy = 4, 4
    for d in (1, 2):
        for dx, dy in ((d, 0), (-d, 0), (0, d), (0, -d)):
            put(cell, cx + dx, cy + dy, YELLOW if d == 1 else GREY)
    put(cell, cx, cy, YELLOW)
    for dx, dy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        put(cell, cx + dx, cy + dy, GREY)


def draw_delete(cell):
    # A dark red diagonal cross, three pixels thick, lit from the upper left.
    for i in range(11):
        for t in range(3):
            put(cell, 5 + i + t - 1, 4 + i, MAROON)
            put(cell, 16 - i - t + 1, 4 + i, MAROON)
    for i in range(0, 5):
        put(cell, 4 + i, 4 + i, WHITE)
    for i in range(0, 2):
        put(cell, 15 - i, 4 + i, WHITE)


def draw_arrow(cell, up):
    shape = []
    for k in range(6):  # head: rows 2, 4, ... 12 pixels wide
        shape.append((10 - k, 11 + k, 4 + k))
    for y in range(10, 16):  # stem, 4 pixels wide
        shape.append((9, 12, y))
    for x0, x1, y in shape:
        for x in range(x0, x1 + 1):
            put(cell, x, y if up else H - 1 - y, BLACK)


draw_add(0)
draw_delete(1)
draw_arrow(2, True)
draw_arrow(3, False)

stride = (W * 4 + 31) // 32 * 4
bits = bytearray()
for y in reversed(range(H)):  # bottom-up
    row = bytearray()
    for x in range(0, W, 2):
        row.append(pixels[y][x] << 4 | pixels[y][x + 1])
    row += bytes(stride - len(row))
    bits += row
palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
offset = 14 + 40 + len(palette)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(bits), 0, 0, 16, 0)
header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
bmp = header + info + palette + bits
assert len(bmp) == 998 and offset == 118

open("controls/liststrip.bmp", "wb").write(bmp)
