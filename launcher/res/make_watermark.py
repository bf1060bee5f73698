#!/usr/bin/env python3
"""Draws the launch screen's watermark, TXE-WM.bmp: pale rings and a rising line on white,
light enough that the buttons' captions stay readable over it. 24-bit uncompressed bitmap.
Run it to remake the picture after changing the drawing: make_watermark.py TXE-WM.bmp"""
import math
import struct
import sys

WIDTH, HEIGHT = 240, 110


def pixel(x, y):
    """RGB of one pixel; (0, 0) is the top-left corner."""
    cx, cy = WIDTH / 2, HEIGHT / 2
    r = math.hypot((x - cx) / 1.6, y - cy)
    tone = 255
    if r < 52 and int(r) % 9 < 2:  # rings
        tone = 228
    rising = HEIGHT * 0.78 - (x / WIDTH) * HEIGHT * 0.55
    if abs(y - rising) < 1.6:  # the line of a chart
        tone = 210
    shade = int(12 * (1 - min(r / 60, 1)))  # a soft glow in the middle
    # Bluish where it is shaded; the corners stay pure white, so the picture has no visible edge.
    return (tone - shade, tone - shade * 2 // 3, tone - shade // 3)


def main(path):
    row = ((WIDTH * 3 + 3) // 4) * 4
    pixels = b""
    for y in reversed(range(HEIGHT)):  # bottom-up
        line = b"".join(struct.pack("BBB", b, g, r) for r, g, b in (pixel(x, y) for x in range(WIDTH)))
        pixels += line + b"\0" * (row - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "TXE-WM.bmp")
