#!/usr/bin/env python3
"""Draws the program's pictures and writes them in the formats the resource script takes.

    app.ico   the program icon: 64x64 8bpp, 48x48 24bpp, 32x32 8bpp, 16x16 8bpp
    logo.bmp  the maker's logo: 137x137, 24 bits per pixel, uncompressed
    hand.cur  the link pointer: 32x32 monochrome with a mask, hot spot at the fingertip

Only the standard library is used, so the pictures can be drawn again on any machine:
    python3 assets/make_assets.py [output folder]
The output is deterministic; the generated files are committed beside this script.
"""

import math
import struct
import sys
from pathlib import Path

# --------------------------------------------------------------------------------------
# A small shape rasteriser: every shape answers "does this point lie inside me" in unit
# coordinates (0..1 across the picture) and carries a colour function. Each pixel is
# sampled on a 4x4 grid so that edges are smoothed.

SUPERSAMPLE = 4


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_outer, r_inner):
    return lambda x, y: r_inner * r_inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r_outer * r_outer


def solid(colour):
    return lambda x, y: colour


def vertical_gradient(top, bottom, y0, y1):
    def colour(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return colour


def render(size, shapes):
    """Returns rows of (r, g, b, coverage) with coverage 0..1, painted in order."""
    rows = []
    step = 1.0 / (size * SUPERSAMPLE)
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px * SUPERSAMPLE + sx + 0.5) * step
                    y = (py * SUPERSAMPLE + sy + 0.5) * step
                    colour = None
                    for inside, paint in shapes:
                        if inside(x, y):
                            colour = paint(x, y)
                    if colour is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += colour[i]
            n = SUPERSAMPLE * SUPERSAMPLE
            if hits:
                row.append((round(acc[0] / hits), round(acc[1] / hits), round(acc[2] / hits), hits / n))
            else:
                row.append((0, 0, 0, 0.0))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------------------
# The pictures.

BEZEL = (38, 46, 58)
SCREEN_TOP = (70, 150, 235)
SCREEN_BOTTOM = (18, 62, 150)
STAND = (120, 128, 140)
BADGE = (205, 38, 38)
WHITE = (255, 255, 255)


def icon_shapes(size):
    """A monitor with a graphics chip on its screen and a red removal badge. The
    smallest image leaves out the chip's pins, which would only blur."""
    shapes = [
        (rounded_rect(0.04, 0.08, 0.96, 0.72, 0.08), solid(BEZEL)),
        (rect(0.11, 0.15, 0.89, 0.64), vertical_gradient(SCREEN_TOP, SCREEN_BOTTOM, 0.15, 0.64)),
        (rect(0.44, 0.72, 0.56, 0.84), solid(STAND)),
        (rounded_rect(0.24, 0.82, 0.76, 0.92, 0.03), solid(STAND)),
        (rect(0.33, 0.26, 0.57, 0.50), solid(WHITE)),
        (rect(0.37, 0.30, 0.53, 0.46), solid((40, 96, 190))),
    ]
    if size >= 32:
        for i in range(3):
            offset = 0.295 + i * 0.08
            shapes.append((rect(offset, 0.20, offset + 0.03, 0.26), solid(WHITE)))
            shapes.append((rect(offset, 0.50, offset + 0.03, 0.56), solid(WHITE)))
    shapes += [
        (circle(0.77, 0.74, 0.22), solid(WHITE)),
        (circle(0.77, 0.74, 0.185), solid(BADGE)),
        (rect(0.665, 0.71, 0.875, 0.77), solid(WHITE)),
    ]
    return shapes


def logo_shapes():
    """The maker's mark: a white T in a ring on a blue tile."""
    return [
        (rect(0.0, 0.0, 1.0, 1.0), vertical_gradient((28, 92, 190), (10, 40, 110), 0.0, 1.0)),
        (ring(0.5, 0.5, 0.42, 0.36), solid((250, 170, 40))),
        (rect(0.27, 0.27, 0.73, 0.39), solid(WHITE)),
        (rect(0.44, 0.27, 0.56, 0.76), solid(WHITE)),
        (rect(0.0, 0.0, 1.0, 0.012), solid((8, 30, 90))),
        (rect(0.0, 0.988, 1.0, 1.0), solid((8, 30, 90))),
        (rect(0.0, 0.0, 0.012, 1.0), solid((8, 30, 90))),
        (rect(0.988, 0.0, 1.0, 1.0), solid((8, 30, 90))),
    ]


CURSOR_HOT_SPOT = (13, 9)


def hand_pixels():
    """The pointing hand as a 32x32 grid: 'X' black outline, '.' white, ' ' transparent.

    The white body is a union of fingers, palm and thumb; the outline is every pixel
    that touches the body along an edge without being part of it, which rounds the
    corners and draws the creases between the folded fingers. The index finger's
    first white pixel is the hot spot."""
    def in_body(x, y):
        if 12 <= x <= 14 and 9 <= y <= 22:  # index finger, pointing up
            return True
        if 16 <= x <= 18 and 14 <= y <= 22:  # folded fingers, each a little lower
            return True
        if 20 <= x <= 22 and 15 <= y <= 22:
            return True
        if 24 <= x <= 25 and 17 <= y <= 22:
            return True
        if 12 <= x <= 25 and 22 <= y <= 27:  # palm
            return not (y == 27 and x in (12, 25))
        if 13 <= x <= 24 and y == 28:
            return True
        thumb = {18: (7, 8), 19: (7, 9), 20: (8, 10), 21: (9, 11), 22: (10, 11), 23: (11, 11)}
        return y in thumb and thumb[y][0] <= x <= thumb[y][1]

    grid = []
    for y in range(32):
        row = ""
        for x in range(32):
            if in_body(x, y):
                row += "."
            elif any(in_body(x + dx, y + dy) for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1))):
                row += "X"
            else:
                row += " "
        grid.append(row)
    return grid


# --------------------------------------------------------------------------------------
# File formats. Every bitmap is stored bottom-up with rows padded to four bytes; icons
# and cursors carry their transparency as a 1-bit AND mask after the colour bits.

def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def info_header(width, height, bits, image_size, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours_used, 0)


def and_mask(opaque_rows):
    """opaque_rows: top-down rows of booleans. A set bit lets the screen show through."""
    data = b""
    for row in reversed(opaque_rows):
        bits = bytearray((len(row) + 7) // 8)
        for x, opaque in enumerate(row):
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += padded(bytes(bits))
    return data


def build_palette(pixels, limit=256):
    """An adaptive palette: the most frequent colours after a 5-bit-per-channel cut."""
    counts = {}
    for rgb in pixels:
        key = tuple(c & 0xF8 for c in rgb)
        counts[key] = counts.get(key, 0) + 1
    ordered = sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))
    palette = [tuple(min(c + 4, 255) for c in key) for key, _ in ordered[:limit]]
    palette.append((0, 0, 0))  # the colour of transparent pixels
    palette = list(dict.fromkeys(palette))[:limit]
    while len(palette) < limit:
        palette.append((0, 0, 0))
    return palette


def nearest(palette, rgb, cache):
    if rgb not in cache:
        cache[rgb] = min(range(len(palette)),
                         key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))
    return cache[rgb]


def icon_image(size, bits):
    rows = render(size, icon_shapes(size))
    opaque = [[p[3] >= 0.5 for p in row] for row in rows]
    if bits == 24:
        xor = b""
        for row, mask in zip(reversed(rows), reversed(opaque)):
            xor += padded(b"".join(bytes((p[2], p[1], p[0])) if m else b"\0\0\0"
                                   for p, m in zip(row, mask)))
        palette_bytes = b""
    else:
        palette = build_palette([p[:3] for row, mask in zip(rows, opaque)
                                 for p, m in zip(row, mask) if m])
        black = palette.index((0, 0, 0))
        cache = {}
        xor = b""
        for row, mask in zip(reversed(rows), reversed(opaque)):
            xor += padded(bytes(nearest(palette, p[:3], cache) if m else black
                                for p, m in zip(row, mask)))
        palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    mask_bytes = and_mask(opaque)
    header = info_header(size, size * 2, bits, len(xor) + len(mask_bytes))
    return header + palette_bytes + xor + mask_bytes


def write_icon(path, images):
    """images: (size, bits) in directory order."""
    blobs = [(size, bits, icon_image(size, bits)) for size, bits in images]
    offset = 6 + 16 * len(blobs)
    out = struct.pack("<HHH", 0, 1, len(blobs))
    for size, bits, blob in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for _, _, blob in blobs)
    path.write_bytes(out)


def write_logo(path, size=137):
    rows = render(size, logo_shapes())
    pixels = b"".join(padded(b"".join(bytes((p[2], p[1], p[0])) for p in row))
                      for row in reversed(rows))
    header = info_header(size, size, 24, len(pixels))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0,
                              14 + len(header))
    path.write_bytes(file_header + header + pixels)


def write_cursor(path):
    grid = hand_pixels()
    assert grid[CURSOR_HOT_SPOT[1]][CURSOR_HOT_SPOT[0]] == ".", "hot spot off the finger"
    assert grid[CURSOR_HOT_SPOT[1] - 1][CURSOR_HOT_SPOT[0]] == "X", "hot spot below the tip"
    xor = b""
    for row in reversed(grid):
        bits = bytearray(4)
        for x, ch in enumerate(row):
            if ch == ".":
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(bits)
    mask = and_mask([[ch != " " for ch in row] for row in grid])
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = info_header(32, 64, 1, len(xor) + len(mask)) + palette + xor + mask
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", 32, 32, 2, 0, CURSOR_HOT_SPOT[0], CURSOR_HOT_SPOT[1],
                       len(image), 22)
    path.write_bytes(out + image)


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    folder.mkdir(parents=True, exist_ok=True)
    write_icon(folder / "app.ico", [(64, 8), (48, 24), (32, 8), (16, 8)])
    write_logo(folder / "logo.bmp")
    write_cursor(folder / "hand.cur")
    for name in ("app.ico", "logo.bmp", "hand.cur"):
        print(f"wrote {folder / name} ({(folder / name).stat().st_size} bytes)")


if __name__ == "__main__":
    main()
