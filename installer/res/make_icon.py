#!/usr/bin/env python3
"""Draws the installer's icon (resource 128): a blue tile with a white arrow pointing down
into a tray, in 16, 32 and 48 pixel sizes, 32-bit colour with alpha. Run it to remake
installer.ico after changing the drawing."""
import struct
import sys


def pixel(size, x, y):
    """RGBA of one pixel, drawn on a 0..1 grid so that every size shows the same picture."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    margin, radius = 0.06, 0.18
    # Rounded tile: inside when the distance to the inner rectangle is below the radius.
    dx = max(margin + radius - u, 0, u - (1 - margin - radius))
    dy = max(margin + radius - v, 0, v - (1 - margin - radius))
    if dx * dx + dy * dy > radius * radius:
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    shaft = abs(u - 0.5) < 0.08 and 0.18 < v < 0.52
    head = v >= 0.44 and v < 0.68 and abs(u - 0.5) < (0.68 - v) * 1.1
    tray = 0.72 < v < 0.82 and 0.22 < u < 0.78 or (0.60 < v < 0.82 and (0.22 < u < 0.30 or 0.70 < u < 0.78))
    if shaft or head or tray:
        return white
    shade = int(40 * v)
    return (20, 90 + shade, 200 - shade, 255)


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
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "installer.ico")
