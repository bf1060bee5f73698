#!/usr/bin/env python3
"""Draws the launcher's icon (resource 128): a dark green tile with a white line chart rising
over three bars, in 16, 32 and 48 pixel sizes, 32-bit colour with alpha. Run it to remake
launcher.ico after changing the drawing."""
import struct
import sys


def pixel(size, x, y):
    """RGBA of one pixel, drawn on a 0..1 grid so that every size shows the same picture."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    margin, radius = 0.05, 0.16
    dx = max(margin + radius - u, 0, u - (1 - margin - radius))
    dy = max(margin + radius - v, 0, v - (1 - margin - radius))
    if dx * dx + dy * dy > radius * radius:
        return (0, 0, 0, 0)
    # Three bars standing on a base line, the chart line rising over them.
    bars = [(0.22, 0.34, 0.62), (0.44, 0.56, 0.50), (0.66, 0.78, 0.36)]
    for left, right, top in bars:
        if left < u < right and top < v < 0.80:
            return (120, 220, 160, 255)
    line = abs(v - (0.70 - 0.55 * (u - 0.15))) < 0.045 and 0.15 < u < 0.85
    base = 0.80 <= v < 0.85 and 0.15 < u < 0.85
    if line or base:
        return (255, 255, 255, 255)
    shade = int(30 * v)
    return (10, 70 + shade, 50 + shade, 255)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as in a bitmap
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in (pixel(size, x, y) for x in range(size))))
    colour = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)  # all opaque; alpha decides
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "launcher.ico")
