#!/usr/bin/env python3
"""Draws the program icon of QvSetup.exe and writes it as a Windows .ico file.

    make-icon.py OUTPUT.ico

The art is drawn from code (a shield carrying a "Q"), so the icon is rebuilt
the same, byte for byte, on every build. The file carries what a Windows
program icon carries: 16, 24, 32, 48 and 256 pixels, each in 4-bit, 8-bit and
32-bit colour (15 images); the 256-pixel images are stored as PNG (the 4-bit
and 8-bit ones in their palette's colours, opaque or clear as their masks
would have them: a 256-pixel DIB is 40 to 72 KB, and the program carries the
icon once per language), the others as DIBs with their AND masks.
"""
import math
import struct
import sys
import zlib

SIZES = (256, 48, 32, 24, 16)
DEPTHS = (32, 8, 4)

# The 16 colours of the standard Windows palette.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette_256():
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in range(8, 248, 10)]
    return VGA + cube + greys  # 16 + 216 + 24


# ---- the art, in unit coordinates (u to the right, v downwards) -------------

def shield_half_width(v, scale):
    """Half width of the shield at height v, or None outside it."""
    top, waist, tip = 0.5 - 0.44 * scale, 0.5, 0.5 + 0.46 * scale
    if v < top or v > tip:
        return None
    if v <= waist:
        return 0.36 * scale
    t = (v - waist) / (tip - waist)
    return 0.36 * scale * math.cos(t * math.pi / 2) ** 0.8


def inside_shield(u, v, scale):
    hw = shield_half_width(v, scale)
    if hw is None or abs(u - 0.5) > hw:
        return False
    # Rounded top corners.
    r = 0.08 * scale
    top = 0.5 - 0.44 * scale
    cy = top + r
    cx = 0.5 + (0.36 * scale - r) * (1 if u > 0.5 else -1)
    if v < cy and abs(u - 0.5) > 0.36 * scale - r:
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return True


def inside_q(u, v):
    d = math.hypot(u - 0.5, v - 0.45)
    if 0.12 <= d <= 0.2:
        return True
    # The tail: a thick stroke from inside the ring down to the right.
    ax, ay, bx, by = 0.55, 0.53, 0.68, 0.69
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(u - (ax + t * dx), v - (ay + t * dy)) <= 0.045


def sample(u, v):
    """Colour (r, g, b) at a point, or None where the icon is transparent."""
    if not inside_shield(u, v, 1.0):
        return None
    if not inside_shield(u, v, 0.86):
        return (226, 234, 246)  # rim
    if inside_q(u, v):
        return (255, 255, 255)
    t = max(0.0, min(1.0, (v - 0.08) / 0.86))
    return (int(44 - 30 * t), int(116 - 62 * t), int(206 - 86 * t))


def render(size):
    """Rows of (r, g, b, a), top row first, supersampled for smooth edges."""
    n = 2 if size >= 128 else 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0
            for sy in range(n):
                for sx in range(n):
                    c = sample((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((r // a, g // a, b // a, (a * 255 + n * n // 2) // (n * n)))
        rows.append(row)
    return rows


# ---- encoders ----------------------------------------------------------------

def nearest(palette, rgb, cache):
    if rgb not in cache:
        cache[rgb] = min(range(len(palette)),
                         key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))
    return cache[rgb]


def and_mask(rows):
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def dib(rows, depth):
    size = len(rows)
    colours = {32: 0, 8: 256, 4: 16}[depth]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, 0, 0, 0, colours, 0)
    body = bytearray()
    if depth == 32:
        for row in reversed(rows):
            for r, g, b, a in row:
                body += bytes((b, g, r, a))
    else:
        palette = VGA if depth == 4 else palette_256()
        for r, g, b in palette:
            body += bytes((b, g, r, 0))
        cache = {}
        stride = ((size * depth + 31) // 32) * 4
        for row in reversed(rows):
            idx = [nearest(palette, px[:3], cache) if px[3] >= 128 else 0 for px in row]
            line = bytearray(stride)
            if depth == 8:
                line[:size] = bytes(idx)
            else:
                for x, i in enumerate(idx):
                    line[x // 2] |= i << (4 if x % 2 == 0 else 0)
            body += line
    return header + bytes(body) + and_mask(rows)


def in_palette(rows, depth):
    """The image as its DIB of that depth shows it, as RGBA rows."""
    palette = VGA if depth == 4 else palette_256()
    cache = {}
    return [[palette[nearest(palette, px[:3], cache)] + (255,) if px[3] >= 128 else (0, 0, 0, 0)
             for px in row] for row in rows]


def png(rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_file():
    art = {size: render(size) for size in SIZES}
    images = []
    for depth in DEPTHS:
        for size in SIZES:
            if size == 256:
                data = png(art[size] if depth == 32 else in_palette(art[size], depth))
            else:
                data = dib(art[size], depth)
            images.append((size, depth, data))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, depth, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if depth == 4 else 0, 0, 1,
                           depth, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    data = icon_file()
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
