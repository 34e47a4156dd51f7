#!/usr/bin/env python3
"""Draws the program's own icons (a deck of cards; a red "not found" mark) as .ico files."""
import struct, sys

def ico(images):
    # images: list of (size, pixels) with pixels rows top-down of (r,g,b,a)
    out = struct.pack('<HHH', 0, 1, len(images))
    blobs = []
    for size, px in images:
        rows = []
        for y in range(size - 1, -1, -1):  # BMP rows are bottom-up
            rows.append(b''.join(struct.pack('BBBB', b, g, r, a) for (r, g, b, a) in px[y]))
        mask_row = ((size + 31) // 32) * 4
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        blobs.append(header + b''.join(rows) + b'\0' * (mask_row * size))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)

def deck(size):
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = c
    # three stacked cards, offset like a fanned deck, with a dark edge
    cards = [((4, 10, 22, 30), (40, 70, 140, 255)), ((8, 6, 26, 26), (60, 110, 190, 255)),
             ((12, 2, 30, 22), (90, 160, 230, 255))]
    for (x0, y0, x1, y1), c in cards:
        rect(x0, y0, x1, y1, (20, 30, 60, 255))
        rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, c)
    # a white arrow ("start") on the top card
    rect(17, 8, 25, 11, (255, 255, 255, 255))
    rect(17, 13, 25, 16, (255, 255, 255, 255))
    return px

def not_found(size):
    s = size / 16.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            cx, cy = (x + 0.5) / s - 8, (y + 0.5) / s - 8
            r = (cx * cx + cy * cy) ** 0.5
            if r <= 7.5:
                px[y][x] = (200, 30, 30, 255) if r >= 6.0 else (255, 255, 255, 255)
            if r < 6.0 and abs(cx - cy) < 1.1:
                px[y][x] = (200, 30, 30, 255)
    return px

if __name__ == '__main__':
    out = sys.argv[1]
    open(out + '/Menu.ico', 'wb').write(ico([(16, deck(16)), (32, deck(32)), (48, deck(48))]))
    open(out + '/NotFound.ico', 'wb').write(ico([(16, not_found(16))]))
