#!/usr/bin/env python3
"""Draws the program's 32 x 32 16-colour icon and writes it as an .ico file.

The picture: a framed little bitmap (sky, hill, sun) with a sparkle over its
corner, the images the program digs out of other files.
Usage: make-icon.py OUT.ico
"""
import struct
import sys

# The standard 16-colour VGA palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, GREEN, YELLOW, CYAN, WHITE = 0, 2, 10, 11, 14, 15
TRANSPARENT = None
SIZE = 32


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    # Frame and picture, lower left.
    for y in range(8, 30):
        for x in range(2, 26):
            px[y][x] = BLACK if y in (8, 29) or x in (2, 25) else WHITE
    for y in range(10, 28):
        for x in range(4, 24):
            px[y][x] = CYAN if y < 20 else GREEN
    for y in range(17, 28):  # a hill
        for x in range(4, 24):
            if (x - 10) ** 2 + (y - 28) ** 2 < 60:
                px[y][x] = DARK_GREEN
    for y in range(11, 17):  # the sun
        for x in range(16, 22):
            if (x - 18.5) ** 2 + (y - 13.5) ** 2 < 7:
                px[y][x] = YELLOW
    # The sparkle, upper right: a four-pointed star.
    cx, cy = 25, 6
    for d in range(-6, 7):
        for (x, y) in ((cx + d, cy), (cx, cy + d)):
            if 0 <= x < SIZE and 0 <= y < SIZE:
                px[y][x] = YELLOW if abs(d) > 1 else WHITE
    for d in (-2, -1, 1, 2):
        for (x, y) in ((cx + d, cy + d), (cx + d, cy - d)):
            px[y][x] = YELLOW
    return px


def ico(px):
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        row = px[y]
        for x in range(0, SIZE, 2):
            hi = row[x] or 0
            lo = row[x + 1] or 0
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is TRANSPARENT else 0)
        mask += struct.pack('>I', bits)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], 'wb') as f:
        f.write(ico(draw()))
