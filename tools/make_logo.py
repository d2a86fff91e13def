#!/usr/bin/env python3
"""Draws the Vendrel logo, resources/logo.bmp: a 50 x 39 mark for the
saver's dark backdrop. Three linked dots form a "V", drawn 4x oversampled
and averaged down. The file is 24-bit, uncompressed, bottom-up, 11811 pixels
per metre, no colour table. Run it again to regenerate the same bytes."""
import math
import struct
import sys

WIDTH, HEIGHT, SCALE = 50, 39, 4
BACKDROP = (0x22, 0x22, 0x22)
DOTS = [  # centre x, centre y, radius, colour (r, g, b)
    (9.0, 8.0, 5.0, (248, 194, 16)),
    (41.0, 8.0, 5.0, (51, 177, 248)),
    (25.0, 31.0, 5.5, (249, 232, 132)),
    (25.0, 14.0, 2.5, (204, 65, 65)),
]
LINKS = [(0, 2, 3.2), (1, 2, 3.2), (0, 3, 1.2), (1, 3, 1.2), (3, 2, 1.2)]


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - t * vx, py - ay - t * vy)


def sample(x, y):
    colour = BACKDROP
    for a, b, half_width in LINKS:
        ax, ay, _, ca = DOTS[a]
        bx, by, _, cb = DOTS[b]
        if segment_distance(x, y, ax, ay, bx, by) <= half_width:
            t = max(0.0, min(1.0, math.hypot(x - ax, y - ay) / math.hypot(bx - ax, by - ay)))
            colour = tuple(round(ca[i] * (1 - t) * 0.6 + cb[i] * t * 0.6 + 0x22 * 0.4) for i in range(3))
    for cx, cy, radius, c in DOTS:
        if math.hypot(x - cx, y - cy) <= radius:
            colour = c
    return colour


def render():
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            total = [0, 0, 0]
            for sy in range(SCALE):
                for sx in range(SCALE):
                    c = sample(x + (sx + 0.5) / SCALE, y + (sy + 0.5) / SCALE)
                    for i in range(3):
                        total[i] += c[i]
            row.append(tuple(round(t / SCALE**2) for t in total))
        rows.append(row)
    return rows


def bmp_bytes(rows):
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 11811, 11811, 0, 0)
    return header + info + bytes(pixels)


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'resources/logo.bmp'
    with open(out, 'wb') as f:
        f.write(bmp_bytes(render()))
