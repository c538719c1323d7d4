#!/usr/bin/env python3
"""Writes korvan.ico: the plug-in's icon (resource 110), a 16x16 and a 32x32
image (32-bit BGRA with an AND mask), drawn here so that no image tool is
needed. Run once after changing the drawing; korvan.ico is kept in the tree."""
import os
import struct

BACKGROUND = (198, 250, 255, 255)  # B, G, R, A: the windows' tint RGB(255,250,198)
INK = (120, 40, 0, 255)            # dark blue
BLANK = (0, 0, 0, 0)


def pixel(size, x, y):
    """A rounded tile with a "K" on it; y counts from the top."""
    edge = max(1, size // 16)
    corner = size // 8
    dx = min(x, size - 1 - x)
    dy = min(y, size - 1 - y)
    if dx < corner and dy < corner and (corner - dx) ** 2 + (corner - dy) ** 2 > corner ** 2:
        return BLANK
    if dx < edge or dy < edge:
        return INK
    margin = size // 4
    stroke = max(2, size // 8)
    if margin <= y < size - margin:
        if margin <= x < margin + stroke:
            return INK
        middle = size // 2
        # two diagonal arms meeting the stem in the middle
        reach = abs(y - middle)
        arm = margin + stroke + reach
        if arm - stroke // 2 <= x <= arm + stroke // 2 and x < size - margin + 1:
            return INK
    return BACKGROUND


def image(size):
    rows = []
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def main():
    sizes = (16, 32)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "korvan.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
