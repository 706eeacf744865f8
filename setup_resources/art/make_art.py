#!/usr/bin/python3
# setup_resources/art/make_art.py - draws the wizard's side picture at 100 % (wizard.bmp) and the
# program icon (setup.ico). Standard library only, deterministic output; the generated files are
# committed, so the build never runs this. Run it again after changing a drawing. An optional
# argument names another folder to write into (scripts/check-art.sh compares).
#
# The picture is drawn from shapes in its own coordinates; wizard/SidePicture.cpp draws the same
# shapes in the same colours at every other size, so a change here is made there too. The drawing
# is flat (few colours, no shading): an RLE8 row then costs two bytes per change of colour, and a
# 16-colour palette 64 bytes, which keeps setup.exe small.
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
# The picture control is 81 x 161 dialog units: 120 x 260 pixels at 96 dpi.
PICTURE_W, PICTURE_H = 120, 260

SKY = [(10, 22, 58), (14, 36, 80), (18, 52, 100), (22, 70, 118), (26, 90, 134), (30, 110, 148)]
RIM, GLASS, APERTURE, GLEAM = (214, 220, 228), (52, 92, 156), (10, 12, 26), (160, 214, 236)
FAR_HILL, NEAR_HILL, SUN = (20, 44, 72), (12, 26, 44), (250, 190, 80)
PALETTE = SKY + [RIM, GLASS, APERTURE, GLEAM, FAR_HILL, NEAR_HILL, SUN]
assert len(PALETTE) <= 16
INDEX = {c: i for i, c in enumerate(PALETTE)}

# The drawing in 100 % pixels: a lens above a sunset between two hills.
LENS_X, LENS_Y, LENS_R = 60, 96, 44
RIM_WIDTH, APERTURE_R = 6, 15
SUN_X, SUN_Y, SUN_R = 84, 206, 10


def in_hexagon(dx, dy, r, turn):
    a = math.atan2(dy, dx) - turn
    sector = math.pi / 3
    a = (a + sector / 2) % sector - sector / 2
    return math.hypot(dx, dy) * math.cos(a) <= r * math.cos(sector / 2)


def on_gleam(dx, dy, glass_r):
    # A crescent on the upper left, as light falls on curved glass.
    angle = math.degrees(math.atan2(dy, dx)) % 360
    return 0.58 * glass_r < math.hypot(dx, dy) < 0.78 * glass_r and 200 < angle < 250


def picture_colour(x, y):
    """Colour at (x, y), in 100 % pixels (fractions allowed)."""
    dx, dy = x - LENS_X, y - LENS_Y
    d = math.hypot(dx, dy)
    if d <= LENS_R:
        if d > LENS_R - RIM_WIDTH:
            return RIM
        if in_hexagon(dx, dy, APERTURE_R, math.radians(12)):
            return APERTURE
        if on_gleam(dx, dy, LENS_R - RIM_WIDTH):
            return GLEAM
        return GLASS
    near = PICTURE_H - 34 + 16 * math.cos((x - 20) / 34.0)
    far = PICTURE_H - 62 + 22 * math.cos((x - 96) / 30.0)
    if y >= near:
        return NEAR_HILL
    if y >= far:
        return FAR_HILL
    if math.hypot(x - SUN_X, y - SUN_Y) <= SUN_R:
        return SUN
    return SKY[min(len(SKY) - 1, int(y * len(SKY) / (PICTURE_H - 40)))]


def draw_picture():
    """Palette indices, sampled at pixel centres."""
    return [[INDEX[picture_colour(x + 0.5, y + 0.5)] for x in range(PICTURE_W)] for y in range(PICTURE_H)]


# ---- BMP writing ------------------------------------------------------------------------------

def palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def rle8_row(row):
    """One row in RLE8: runs of equal pixels, literal stretches in absolute mode."""
    out, i, n = bytearray(), 0, len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 3 or n - i < 3:
            out += bytes((run, row[i]))
            i += run
            continue
        j = i
        while j < n and j - i < 255 and not (j + 2 < n and row[j] == row[j + 1] == row[j + 2]):
            j += 1
        literal = row[i:j]
        if len(literal) < 3:
            for p in literal:
                out += bytes((1, p))
        else:
            out += bytes((0, len(literal))) + bytes(literal)
            if len(literal) % 2:
                out += b"\0"
        i = j
    return bytes(out) + b"\0\0"


def write_bmp8(path, rows):
    h, w = len(rows), len(rows[0])
    bits = b"".join(rle8_row(r) for r in reversed(rows))[:-2] + b"\0\1"
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(bits), 2835, 2835, len(PALETTE), 0)
    offset = 14 + len(info) + 4 * len(PALETTE)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette_bytes(PALETTE) + bits)


# ---- The icon: the same lens, on a transparent ground ------------------------------------------
# 16 and 32 pixels as 4-bit images, which every Windows reads (XP asks for these two, and for 48
# in one view, where it finds none it can read); the other sizes as PNG with a palette, which
# Windows reads from Vista on, and which packs these flat shapes to a third of a 4-bit image.
ICON_BMP_SIZES = (16, 32)
ICON_PNG_SIZES = (20, 24, 40, 48, 64, 256)
ICON_PALETTE = [(0, 0, 0), RIM, (120, 130, 146), GLASS, APERTURE, GLEAM, SUN, (34, 56, 100)]


def icon_colour(u, v):
    """Colour at (u, v) in a unit square, or None where the icon is transparent."""
    dx, dy = u - 0.5, v - 0.5
    d = math.hypot(dx, dy)
    if d > 0.48:
        return None
    if d > 0.39:
        return RIM if dy < 0.12 else ICON_PALETTE[2]
    if in_hexagon(dx, dy, 0.16, math.radians(12)):
        return APERTURE
    if math.hypot(u - 0.67, v - 0.67) < 0.07:
        return SUN
    if on_gleam(dx, dy, 0.39):
        return GLEAM
    return GLASS


def draw_icon(size):
    """Palette indices (0 where transparent), sampled at pixel centres."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            c = icon_colour((x + 0.5) / size, (y + 0.5) / size)
            row.append(0 if c is None else ICON_PALETTE.index(c))
        rows.append(row)
    return rows


def icon_bmp(size):
    pixels = draw_icon(size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    row_bytes = ((size * 4 + 31) // 32) * 4
    xor = bytearray()
    for r in reversed(pixels):
        packed = bytearray(row_bytes)
        for x, p in enumerate(r):
            packed[x // 2] |= p << (0 if x % 2 else 4)
        xor += packed
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for r in reversed(pixels):
        bits = bytearray(mask_row_bytes)
        for x, p in enumerate(r):
            if p == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    palette = ICON_PALETTE + [(0, 0, 0)] * (16 - len(ICON_PALETTE))
    return info + palette_bytes(palette) + bytes(xor) + bytes(mask), 4


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def icon_png(size):
    pixels = draw_icon(size)
    raw = b"".join(b"\0" + bytes((r[x] << 4) | r[x + 1] for x in range(0, size, 2)) for r in pixels)
    header = struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"PLTE", b"".join(bytes(c) for c in ICON_PALETTE)) +
            png_chunk(b"tRNS", b"\0") + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))
    return data, 32


def write_ico(path):
    images = sorted([(s, icon_bmp(s)) for s in ICON_BMP_SIZES] + [(s, icon_png(s)) for s in ICON_PNG_SIZES],
                    key=lambda image: image[0])
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, (data, bits) in images:
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", s % 256, s % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(data for _, (data, _) in images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    os.makedirs(out, exist_ok=True)
    write_bmp8(os.path.join(out, "wizard.bmp"), draw_picture())
    write_ico(os.path.join(out, "setup.ico"))


if __name__ == "__main__":
    main()
