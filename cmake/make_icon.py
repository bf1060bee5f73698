#!/usr/bin/env python3
"""Draws the programs' icons and writes them as .ico files. Each design is drawn on a 0..1 grid,
so that every size shows the same picture. Run it to remake an icon after changing its drawing:

    cmake/make_icon.py installer installer/res/installer.ico
    cmake/make_icon.py launcher launcher/res/launcher.ico
    cmake/make_icon.py launch-first launcher/res/launch_first.ico
    cmake/make_icon.py launch-second launcher/res/launch_second.ico
"""
import struct
import sys

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)


def in_tile(u, v, margin, radius):
    """Inside a rounded tile: the distance to the inner rectangle is below the radius."""
    dx = max(margin + radius - u, 0, u - (1 - margin - radius))
    dy = max(margin + radius - v, 0, v - (1 - margin - radius))
    return dx * dx + dy * dy <= radius * radius


def installer(u, v):
    """A blue tile with a white arrow pointing down into a tray."""
    if not in_tile(u, v, 0.06, 0.18):
        return CLEAR
    shaft = abs(u - 0.5) < 0.08 and 0.18 < v < 0.52
    head = v >= 0.44 and v < 0.68 and abs(u - 0.5) < (0.68 - v) * 1.1
    tray = 0.72 < v < 0.82 and 0.22 < u < 0.78 or (0.60 < v < 0.82 and (0.22 < u < 0.30 or 0.70 < u < 0.78))
    if shaft or head or tray:
        return WHITE
    shade = int(40 * v)
    return (20, 90 + shade, 200 - shade, 255)


def launcher(u, v):
    """A dark green tile with a white line chart rising over three bars."""
    if not in_tile(u, v, 0.05, 0.16):
        return CLEAR
    bars = [(0.22, 0.34, 0.62), (0.44, 0.56, 0.50), (0.66, 0.78, 0.36)]
    for left, right, top in bars:
        if left < u < right and top < v < 0.80:
            return (120, 220, 160, 255)
    line = abs(v - (0.70 - 0.55 * (u - 0.15))) < 0.045 and 0.15 < u < 0.85
    base = 0.80 <= v < 0.85 and 0.15 < u < 0.85
    if line or base:
        return WHITE
    shade = int(30 * v)
    return (10, 70 + shade, 50 + shade, 255)


def launch(tile):
    """A round badge of `tile` colour with a white start triangle pointing right."""
    def draw(u, v):
        du, dv = u - 0.5, v - 0.5
        if du * du + dv * dv > 0.46 * 0.46:
            return CLEAR
        if 0.36 < u < 0.72 and abs(v - 0.5) < (0.72 - u) * 0.62:
            return WHITE
        shade = int(36 * v)
        return (max(tile[0] - shade, 0), max(tile[1] - shade, 0), max(tile[2] - shade, 0), 255)
    return draw


DESIGNS = {
    "installer": (installer, [(16, 32), (32, 32), (48, 32)]),
    "launcher": (launcher, [(16, 32), (32, 32), (48, 32)]),
    # The launch screen's buttons: the normal look, and the hover and pressed looks.
    "launch-first": (launch((70, 110, 170)), [(256, 32), (128, 32), (64, 32), (48, 32), (32, 24), (16, 32)]),
    "launch-second": (launch((200, 80, 70)), [(256, 32), (128, 32), (64, 32), (48, 32), (32, 24), (16, 32)]),
}


def image(draw, size, bits):
    """One BITMAPINFOHEADER image: the colour rows bottom-up, then the AND mask."""
    pixels = [[draw((x + 0.5) / size, (y + 0.5) / size) for x in range(size)] for y in range(size)]
    colour_row = ((size * bits + 31) // 32) * 4
    mask_row = ((size + 31) // 32) * 4
    colour, mask = b"", b""
    for row in reversed(pixels):
        if bits == 32:
            line = b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in row)
            mask_line = b"\0" * mask_row  # all opaque; alpha decides
        else:
            # No alpha: clear pixels are black in colour and set in the mask.
            line = b"".join(struct.pack("BBB", b, g, r) if a else b"\0\0\0" for r, g, b, a in row)
            bitsset = bytearray(mask_row)
            for x, (_, _, _, a) in enumerate(row):
                if not a:
                    bitsset[x // 8] |= 0x80 >> (x % 8)
            mask_line = bytes(bitsset)
        colour += line + b"\0" * (colour_row - len(line))
        mask += mask_line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def main(design, path):
    draw, sizes = DESIGNS[design]
    images = [image(draw, size, bits) for size, bits in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for (size, bits), data in zip(sizes, images):
        # A width or height of 256 is written as 0.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in DESIGNS:
        sys.exit("usage: make_icon.py {%s} <file.ico>" % "|".join(DESIGNS))
    main(sys.argv[1], sys.argv[2])
