#!/usr/bin/env python3
"""Writes ui/tallisk.ico: one 32x32 image in 16 colours (4 bits per pixel), a
small calculator with a display line and a grid of keys.

Run from the repository root after changing the picture:
    python3 tools/make-icon.py ui/tallisk.ico
"""
import struct
import sys

# A 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, GREY, SILVER, DARK_BLUE, RED, LIME, WHITE = 0, 2, 8, 7, 1, 12, 10, 15
TRANSPARENT = None


def draw():
    """Rows top to bottom; None marks a transparent pixel."""
    p = [[TRANSPARENT] * 32 for _ in range(32)]

    def box(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                p[y][x] = colour

    box(4, 1, 27, 30, BLACK)          # outline
    box(5, 2, 26, 29, DARK_BLUE)      # case
    box(7, 4, 24, 10, BLACK)          # display frame
    box(8, 5, 23, 9, DARK_GREEN)      # display
    for x in (12, 13, 17, 18, 21, 22):  # digits on the display
        box(x, 6, x, 8, LIME)
    for row in range(4):
        for col in range(4):
            x, y = 7 + col * 5, 13 + row * 4
            colour = RED if (row, col) == (3, 3) else SILVER
            box(x, y, x + 3, y + 2, colour)
            box(x, y + 2, x + 3, y + 2, GREY)   # key shadow
    box(5, 2, 26, 2, WHITE)           # highlight along the top
    return p


def ico(pixels):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):      # bitmaps run bottom-up
        for x in range(0, 32, 2):
            a, b = row[x] or 0, row[x + 1] or 0
            xor.append((a << 4) | b)
        bits = 0
        for x in range(32):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


with open(sys.argv[1], "wb") as out:
    out.write(ico(draw()))
