#!/usr/bin/python3
# setup_resources/art/make_art.py - draws the wizard's side picture (wizard.bmp) and the program
# icon (setup.ico). Standard library only, deterministic output; the generated files are
# committed, so the build never runs this. Run it again after changing a drawing.
# An optional argument names another folder to write into (scripts/check-art.sh compares).
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURE_W, PICTURE_H = 120, 260

# One 256-entry palette for every picture: a few ramps, so that gradients are drawn with palette
# positions directly and no dithering breaks the long runs that RLE8 packs well.
RAMPS = [
    ("sky", 96, (6, 18, 52), (24, 128, 156)),
    ("lens", 64, (8, 10, 22), (78, 120, 182)),
    ("glow", 48, (118, 196, 226), (255, 255, 255)),
    ("warm", 32, (196, 52, 28), (255, 206, 86)),
    ("gray", 16, (36, 38, 44), (226, 230, 236)),
]


def build_palette():
    palette, start = [], {}
    for name, count, a, b in RAMPS:
        start[name] = len(palette)
        for i in range(count):
            t = i / (count - 1)
            palette.append(tuple(round(a[k] + (b[k] - a[k]) * t) for k in range(3)))
    assert len(palette) == 256
    return palette, start


PALETTE, RAMP_START = build_palette()
RAMP_COUNT = {name: count for name, count, _, _ in RAMPS}


def shade(ramp, t):
    """Palette index of position t (0..1) along a ramp."""
    t = min(1.0, max(0.0, t))
    return RAMP_START[ramp] + round(t * (RAMP_COUNT[ramp] - 1))


def nearest(rgb):
    best, best_d = 0, None
    for i, p in enumerate(PALETTE):
        d = sum((p[k] - rgb[k]) ** 2 for k in range(3))
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


# ---- The wizard picture: a lens above a capture frame with a landscape, on a night-sky ramp ----

LENS_X, LENS_Y, LENS_R = 60, 92, 44
FRAME = (18, 168, 102, 234)  # left, top, right, bottom


def in_hexagon(dx, dy, r, turn):
    a = math.atan2(dy, dx) - turn
    sector = math.pi / 3
    a = (a + sector / 2) % sector - sector / 2
    return math.hypot(dx, dy) * math.cos(a) <= r * math.cos(sector / 2)


def on_highlight(dx, dy, glass_r):
    # A crescent on the upper left, as light falls on curved glass.
    angle = math.degrees(math.atan2(dy, dx)) % 360
    return 0.62 * glass_r < math.hypot(dx, dy) < 0.8 * glass_r and 195 < angle < 255


def lens_pixel(x, y):
    dx, dy = x - LENS_X, y - LENS_Y
    d = math.hypot(dx, dy)
    if d > LENS_R:
        return None
    if d > LENS_R - 5:
        return shade("gray", 0.55 + 0.45 * (-dy / LENS_R))
    if d > LENS_R - 8:
        return shade("gray", 0.1)
    if in_hexagon(dx, dy, 15, math.radians(12)):
        return shade("lens", 0.0)
    if on_highlight(dx, dy, LENS_R - 8):
        return shade("glow", 0.4)
    return shade("lens", 0.25 + 0.75 * (1 - d / (LENS_R - 8)) * (0.6 + 0.4 * (-dy / LENS_R)))


def frame_pixel(x, y):
    left, top, right, bottom = FRAME
    arm, width = 14, 3
    near_x = x - left < arm or right - x < arm
    near_y = y - top < arm or bottom - y < arm
    on_v = left <= x < left + width or right - width < x <= right
    on_h = top <= y < top + width or bottom - width < y <= bottom
    inside_box = left <= x <= right and top <= y <= bottom
    if inside_box and ((on_v and near_y) or (on_h and near_x)):
        return shade("glow", 1.0)
    if not (left + 6 <= x <= right - 6 and top + 6 <= y <= bottom - 6):
        return None
    # The scene inside: a sun and two hills.
    if math.hypot(x - 80, y - 190) <= 7:
        return shade("warm", 1.0 - (y - 183) / 20)
    hill1 = bottom - 6 - max(0, 26 - abs(x - 44) * 0.9)
    hill2 = bottom - 6 - max(0, 18 - abs(x - 76) * 0.7)
    if y >= hill1:
        return shade("lens", 0.15)
    if y >= hill2:
        return shade("lens", 0.35)
    return None


def sky_pixel(x, y):
    # Rows are one colour, except for a few stars.
    if (x * 7 + y * 13) % 211 == 0 and y < 150 and math.hypot(x - LENS_X, y - LENS_Y) > LENS_R + 3:
        return shade("glow", 0.8)
    return shade("sky", (y / (PICTURE_H - 1)) ** 0.8)


def draw_picture():
    rows = []
    for y in range(PICTURE_H):
        row = []
        for x in range(PICTURE_W):
            c = lens_pixel(x, y)
            if c is None:
                c = frame_pixel(x, y)
            if c is None:
                c = sky_pixel(x, y)
            row.append(c)
        rows.append(row)
    return rows


# ---- BMP writing ------------------------------------------------------------------------------

def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


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


def write_bmp8(path, rows, compress):
    h, w = len(rows), len(rows[0])
    bottom_up = list(reversed(rows))
    if compress:
        bits = b"".join(rle8_row(r) for r in bottom_up)[:-2] + b"\0\1"
    else:
        pad = (4 - w % 4) % 4
        bits = b"".join(bytes(r) + b"\0" * pad for r in bottom_up)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1 if compress else 0, len(bits), 2835, 2835, 256, 0)
    offset = 14 + len(info) + 1024
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette_bytes() + bits)


# ---- The icon: the same lens, on a transparent ground ------------------------------------------

def icon_rgb(u, v):
    """Colour at (u, v) in a unit square, or None where the icon is transparent."""
    dx, dy = u - 0.5, v - 0.5
    d = math.hypot(dx, dy)
    if d > 0.48:
        return None
    if d > 0.40:
        return PALETTE[shade("gray", 0.6 + 0.4 * (-dy / 0.48))]
    if d > 0.35:
        return PALETTE[shade("gray", 0.05)]
    if in_hexagon(dx, dy, 0.15, math.radians(12)):
        return PALETTE[shade("lens", 0.0)]
    if math.hypot(u - 0.66, v - 0.66) < 0.07:
        return PALETTE[shade("warm", 0.3)]
    if on_highlight(dx, dy, 0.35):
        return PALETTE[shade("glow", 0.5)]
    return PALETTE[shade("lens", 0.3 + 0.7 * (1 - d / 0.35))]


def draw_icon(size):
    """Palette indices and a transparency mask, four samples a pixel per axis."""
    pixels, mask, n = [], [], 4
    for y in range(size):
        prow, mrow = [], []
        for x in range(size):
            samples = [icon_rgb((x + (i + 0.5) / n) / size, (y + (j + 0.5) / n) / size)
                       for j in range(n) for i in range(n)]
            solid = [s for s in samples if s is not None]
            if len(solid) * 2 < len(samples):
                prow.append(0)
                mrow.append(1)
                continue
            avg = tuple(sum(s[k] for s in solid) / len(solid) for k in range(3))
            prow.append(nearest(avg))
            mrow.append(0)
        pixels.append(prow)
        mask.append(mrow)
    return pixels, mask


def icon_image(size):
    pixels, mask = draw_icon(size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    xor = b"".join(bytes(r) + b"\0" * ((4 - size % 4) % 4) for r in reversed(pixels))
    mask_row_bytes = ((size + 31) // 32) * 4
    and_rows = []
    for r in reversed(mask):
        bits = bytearray(mask_row_bytes)
        for x, m in enumerate(r):
            if m:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(bits))
    return info + palette_bytes() + xor + b"".join(and_rows)


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    os.makedirs(out, exist_ok=True)
    write_bmp8(os.path.join(out, "wizard.bmp"), draw_picture(), compress=True)
    write_ico(os.path.join(out, "setup.ico"), [32, 16])


if __name__ == "__main__":
    main()
