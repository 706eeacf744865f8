# resource_library/make_art.py - draws the library's bitmaps, icons and cursors, makes the shutter
# sound and the toolbar and dialog-init data, and writes art/Art.rc that lists them.
# Run: /usr/bin/python3 resource_library/make_art.py (after changing it or resource.h); an optional
# argument names another folder to write into instead of art/ (scripts/check-art.sh compares).
# Only the standard library is used and nothing is random, so the output is the same on any
# machine; the generated files are committed and the build never has to run this.
import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "art")

# The classic 16-colour palette; toolbars are drawn on silver because the toolbar code of the
# application maps that colour to the button face.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)


def read_ids():
    ids = {}
    with open(os.path.join(HERE, "resource.h"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define\s+(\w+)\s+(\d+)\s*$", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def box(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c, ring=False):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r and (not ring or d >= (r - 1) ** 2):
                    self.put(x, y, c)


# One small picture per kind, scaled to the cell it is drawn into.
def draw_glyph(cv, x0, y0, w, h, kind, color):
    x1, y1 = x0 + w - 1, y0 + h - 1
    mx, my = x0 + w // 2, y0 + h // 2
    r = max(2, min(w, h) // 3)
    if kind == "page":
        cv.box(x0 + 2, y0 + 1, x1 - 3, y1 - 1, WHITE)
        cv.frame(x0 + 2, y0 + 1, x1 - 3, y1 - 1, BLACK)
        for y in range(y0 + 4, y1 - 2, 2):
            cv.line(x0 + 4, y, x1 - 5, y, color)
    elif kind == "folder":
        cv.box(x0 + 1, y0 + 4, x1 - 1, y1 - 2, YELLOW)
        cv.frame(x0 + 1, y0 + 4, x1 - 1, y1 - 2, OLIVE)
        cv.box(x0 + 1, y0 + 2, x0 + w // 2, y0 + 4, OLIVE)
    elif kind == "disk":
        cv.box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, color)
        cv.box(x0 + 4, y0 + 1, x1 - 4, y0 + h // 3, WHITE)
        cv.box(x0 + 4, y1 - h // 3, x1 - 4, y1 - 1, SILVER)
    elif kind == "camera":
        cv.box(x0 + 1, y0 + 4, x1 - 1, y1 - 2, GRAY)
        cv.frame(x0 + 1, y0 + 4, x1 - 1, y1 - 2, BLACK)
        cv.box(mx - 2, y0 + 2, mx + 2, y0 + 4, GRAY)
        cv.disc(mx, my + 1, r - 1, color)
        cv.disc(mx, my + 1, r - 1, BLACK, ring=True)
    elif kind == "window":
        cv.box(x0 + 1, y0 + 1, x1 - 1, y1 - 1, WHITE)
        cv.box(x0 + 1, y0 + 1, x1 - 1, y0 + 3, color)
        cv.frame(x0 + 1, y0 + 1, x1 - 1, y1 - 1, BLACK)
    elif kind == "select":
        for x in range(x0 + 1, x1, 2):
            cv.put(x, y0 + 2, BLACK)
            cv.put(x, y1 - 2, BLACK)
        for y in range(y0 + 2, y1 - 1, 2):
            cv.put(x0 + 1, y, BLACK)
            cv.put(x1 - 1, y, BLACK)
        cv.disc(mx, my, 1, color)
    elif kind == "arrow":
        for i in range(h - 2):
            cv.line(x0 + 2, y0 + 1 + i, x0 + 2 + min(i, w - 4) // 2, y0 + 1 + i, color)
        cv.line(x0 + 2, y0 + 1, x1 - 2, y1 - 1, BLACK)
    elif kind == "pen":
        cv.line(x0 + 2, y1 - 2, x1 - 2, y0 + 2, color)
        cv.line(x0 + 3, y1 - 2, x1 - 1, y0 + 2, color)
        cv.put(x0 + 1, y1 - 1, BLACK)
    elif kind == "magnifier":
        cv.disc(mx - 1, my - 1, r, WHITE)
        cv.disc(mx - 1, my - 1, r, color, ring=True)
        cv.line(mx + r - 1, my + r - 1, x1 - 1, y1 - 1, BLACK)
    elif kind == "clock":
        cv.disc(mx, my, r + 1, WHITE)
        cv.disc(mx, my, r + 1, BLACK, ring=True)
        cv.line(mx, my, mx, my - r, color)
        cv.line(mx, my, mx + r - 1, my, color)
    elif kind == "letter":
        cv.line(x0 + 3, y0 + 2, x1 - 3, y0 + 2, color)
        cv.line(mx, y0 + 2, mx, y1 - 2, color)
    elif kind == "ellipse":
        cv.disc(mx, my, r + 1, color, ring=True)
    elif kind == "rect":
        cv.frame(x0 + 2, y0 + 3, x1 - 2, y1 - 3, color)
    elif kind == "copy":
        draw_glyph(cv, x0 - 2, y0 - 1, w, h, "page", color)
        draw_glyph(cv, x0 + 2, y0 + 2, w - 2, h - 2, "page", color)
    elif kind == "rotate":
        cv.disc(mx, my, r + 1, color, ring=True)
        cv.line(mx + r, my - 2, mx + r + 2, my, BLACK)
    elif kind == "step":
        for i in range(h // 2 - 1):
            cv.line(mx - 2 + i // 2, my - i, mx - 2 + i // 2, my + i, color)
    else:
        raise ValueError(kind)


GLYPHS = ["page", "folder", "disk", "camera", "window", "select", "arrow", "pen", "magnifier",
          "clock", "letter", "ellipse", "rect", "copy", "rotate", "step"]


def dib_bytes(cv, bpp, palette, height_factor=1):
    header = struct.pack("<IiiHHIIiiII", 40, cv.width, cv.height * height_factor, 1, bpp, 0, 0,
                         0, 0, len(palette), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + pal + pixel_rows(cv.px, cv.width, bpp)


def pixel_rows(rows, width, bpp):
    out = bytearray()
    stride = ((width * bpp + 31) // 32) * 4
    for row in reversed(rows):
        bits = 0
        nbits = 0
        line = bytearray()
        for v in row:
            bits = (bits << bpp) | v
            nbits += bpp
            if nbits == 8:
                line.append(bits)
                bits = nbits = 0
        if nbits:
            line.append(bits << (8 - nbits))
        out += line + bytes(stride - len(line))
    return bytes(out)


def write(name, data):
    with open(os.path.join(ART, name), "wb") as f:
        f.write(data)


def write_bmp(name, cv, bpp=4, palette=VGA):
    dib = dib_bytes(cv, bpp, palette)
    offset = 14 + 40 + 4 * len(palette)
    write(name, b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, offset) + dib)


def toolbar_strip(glyphs, seed):
    cv = Canvas(16 * len(glyphs), 15, SILVER)
    for i, kind in enumerate(glyphs):
        draw_glyph(cv, 16 * i, 0, 16, 15, kind, [BLUE, RED, GREEN, TEAL, PURPLE][(i + seed) % 5])
    return cv


def picture(size, kind, color, back=WHITE):
    cv = Canvas(size, size, back)
    cv.frame(0, 0, size - 1, size - 1, GRAY)
    draw_glyph(cv, 1, 1, size - 2, size - 2, kind, color)
    return cv


def gradient_picture(width, height, hue):
    palette = [(min(255, i * hue[0] // 64), min(255, i * hue[1] // 64), min(255, i * hue[2] // 64))
               for i in range(256)]
    cv = Canvas(width, height, 0)
    for y in range(height):
        for x in range(width):
            cv.px[y][x] = (x * 255 // max(1, width - 1) + y * 64 // max(1, height - 1)) % 256
    draw_glyph(cv, width // 2 - 8, height // 2 - 8, 16, 16, "camera", 250)
    return cv, palette


# Toolbars: MFC-style data (version 1, button size, count, command per button, 0 = separator).
TOOLBARS = [
    (99, 1033, 16, 15, ["ID_FILE_NEW", "ID_FILE_OPEN", "ID_FILE_SAVE", 0, "ID_EDIT_CUT",
                        "ID_EDIT_COPY", "ID_EDIT_PASTE", 0, "ID_FILE_PRINT", 0,
                        "ID_CAPTURE_SCREEN", "ID_APP_ABOUT"]),
    (100, 1033, 16, 15, ["ID_CAPTURE_SCREEN", "ID_CAPTURE_WINDOW", "ID_CAPTURE_REGION",
                         "ID_CAPTURE_SCROLL", "ID_CAPTURE_MENU", 0, "ID_CAPTURE_TIMED"]),
    (2039, 1033, 16, 15, ["ID_TOOL_SELECT", "ID_TOOL_PEN", "ID_TOOL_LINE", "ID_TOOL_RECT",
                          "ID_TOOL_ELLIPSE", "ID_TOOL_TEXT", "ID_TOOL_ARROW",
                          "ID_TOOL_HIGHLIGHT"]),
    (16138, 0, 16, 15, ["ID_VIEW_ZOOM_IN", "ID_VIEW_ZOOM_OUT", 0, "ID_VIEW_ZOOM_100",
                        "ID_VIEW_ZOOM_FIT"]),
    (16960, 0, 16, 15, ["ID_NAV_FIRST", "ID_NAV_PREV", "ID_NAV_NEXT", "ID_NAV_LAST"]),
]
TOOLBAR_GLYPHS = {
    99: ["page", "folder", "disk", "select", "copy", "page", "window", "camera", "step"],
    100: ["window", "window", "select", "arrow", "rect", "clock"],
    2039: ["select", "pen", "arrow", "rect", "ellipse", "letter", "arrow", "pen"],
    16138: ["magnifier", "magnifier", "window", "select"],
    16960: ["step", "step", "step", "step"],
}

# Other bitmaps: id, language, picture.
PICTURES = [(101, 1033, 48, "camera"), (102, 1033, 32, "window"), (103, 1033, 32, "window"),
            (104, 1033, 32, "select"), (105, 1033, 32, "arrow"), (106, 1033, 32, "rect"),
            (107, 1033, 32, "clock"), (130, 1033, 13, "step"), (131, 1033, 13, "rect"),
            (132, 1033, 13, "ellipse"), (133, 1033, 16, "folder"), (134, 1033, 16, "page"),
            (2001, 1033, 24, "camera"), (2004, 1033, 24, "disk"), (2005, 1033, 24, "copy"),
            (2006, 1033, 24, "rotate"), (2007, 1033, 24, "magnifier"), (2010, 1033, 16, "clock"),
            (2043, 1033, 24, "pen"), (16140, 0, 16, "magnifier"), (16141, 0, 16, "rotate"),
            (16142, 0, 16, "rect"), (16143, 0, 16, "ellipse"), (16144, 0, 16, "letter"),
            (16145, 0, 16, "pen"), (16961, 0, 16, "step"), (16962, 0, 16, "step")]
GRADIENTS = [(30994, 0, 64, 48, (64, 96, 160)), (30995, 0, 64, 48, (160, 96, 64)),
             (30996, 0, 160, 120, (96, 128, 192))]

# Icon groups: id, language, images as (size, bits per pixel), glyph.
ICONS = [(99, 1033, [(16, 4), (32, 4), (16, 8), (32, 8)], "camera"),
         (868, 1033, [(16, 4), (32, 4)], "page"),
         (2021, 1033, [(16, 4), (32, 4)], "camera"),
         (2022, 1033, [(16, 4), (32, 4)], "clock"),
         (16931, 0, [(16, 4), (32, 4)], "magnifier"),
         (16995, 0, [(16, 4), (32, 4)], "select")]

# Cursor groups: name or id, language, sizes, shape.
CURSORS = [("SCROLLCUR", 1033, [32], "scroll")]
CURSORS += [(i, 1033, [32, 48] if i in (211, 212, 213) else [32], shape)
            for i, shape in zip([211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222,
                                 2047, 2048, 2049],
                                ["cross", "region", "window", "hand", "grab", "pen", "line",
                                 "rect", "ellipse", "text", "arrow", "zoomin", "zoomout",
                                 "move", "busy"])]
CURSORS += [(i, 0, [32, 48] if i in (16963, 30981, 30982) else [32], shape)
            for i, shape in zip([16963, 16964, 16965, 16966, 16967, 16968, 16969, 16970, 30981,
                                 30982],
                                ["cross", "size_ns", "size_we", "size_all", "hand", "pen",
                                 "zoomin", "zoomout", "region", "scroll"])]


def cursor_shape(size, shape):
    # 0 = transparent, 1 = black, 2 = white
    cv = Canvas(size, size, 0)
    c = size // 2
    hot = (c, c)
    if shape in ("cross", "region", "line", "rect", "ellipse", "pen", "text"):
        cv.line(c, 2, c, size - 3, 1)
        cv.line(2, c, size - 3, c, 1)
        cv.box(c - 1, c - 1, c + 1, c + 1, 2)
        corner = {"region": "select", "line": "pen", "rect": "rect", "ellipse": "ellipse",
                  "pen": "pen", "text": "letter"}.get(shape)
        if corner:
            cv.frame(c + 3, c + 3, size - 2, size - 2, 1)
            cv.box(c + 4, c + 4, size - 3, size - 3, 2)
    elif shape in ("arrow", "window", "move", "busy"):
        for i in range(size * 2 // 3):
            cv.line(1, 1 + i, 1 + i // 2, 1 + i, 2)
            cv.put(1, 1 + i, 1)
            cv.put(1 + i // 2, 1 + i, 1)
        hot = (1, 1)
        if shape == "window":
            cv.frame(c, c, size - 2, size - 4, 1)
        elif shape == "move":
            cv.line(c + 4, c, size - 2, c, 1)
            cv.line(c + 9, c - 5, c + 9, c + 5, 1)
        elif shape == "busy":
            cv.disc(c + 6, c + 6, 5, 1, ring=True)
    elif shape in ("hand", "grab"):
        cv.box(c - 5, c - 2, c + 5, c + 8, 2)
        cv.frame(c - 5, c - 2, c + 5, c + 8, 1)
        fingers = 4 if shape == "hand" else 1
        for f in range(4):
            top = c - 10 if f < fingers else c - 4
            cv.box(c - 5 + 3 * f, top, c - 4 + 3 * f, c - 2, 2)
            cv.line(c - 5 + 3 * f, top, c - 5 + 3 * f, c - 2, 1)
        hot = (c - 4, c - 10)
    elif shape in ("zoomin", "zoomout"):
        cv.disc(c - 3, c - 3, 7, 2)
        cv.disc(c - 3, c - 3, 7, 1, ring=True)
        cv.line(c + 2, c + 2, c + 9, c + 9, 1)
        cv.line(c - 6, c - 3, c, c - 3, 1)
        if shape == "zoomin":
            cv.line(c - 3, c - 6, c - 3, c, 1)
        hot = (c - 3, c - 3)
    elif shape in ("scroll", "size_ns", "size_we", "size_all"):
        vertical = shape in ("scroll", "size_ns", "size_all")
        horizontal = shape in ("size_we", "size_all")
        if vertical:
            cv.line(c, 3, c, size - 4, 1)
            for i in range(5):
                cv.line(c - i, 3 + i, c + i, 3 + i, 1)
                cv.line(c - i, size - 4 - i, c + i, size - 4 - i, 1)
        if horizontal:
            cv.line(3, c, size - 4, c, 1)
            for i in range(5):
                cv.line(3 + i, c - i, 3 + i, c + i, 1)
                cv.line(size - 4 - i, c - i, size - 4 - i, c + i, 1)
        if shape == "scroll":
            cv.disc(c, c, 3, 2)
            cv.disc(c, c, 3, 1, ring=True)
    else:
        raise ValueError(shape)
    return cv, hot


def mask_rows(cv, test):
    rows = [[1 if test(v) else 0 for v in row] for row in cv.px]
    return pixel_rows(rows, cv.width, 1)


def cursor_image(cv):
    header = struct.pack("<IiiHHIIiiII", 40, cv.width, cv.height * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    xor = mask_rows(cv, lambda v: v == 2)
    and_ = mask_rows(cv, lambda v: v == 0)
    return header + palette + xor + and_


def write_cursor(name, sizes, shape):
    images = [cursor_shape(s, shape) for s in sizes]
    blobs = [cursor_image(cv) for cv, _ in images]
    out = struct.pack("<HHH", 0, 2, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (cv, hot), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", cv.width % 256, cv.height % 256, 0, 0, hot[0], hot[1],
                           len(blob), offset)
        offset += len(blob)
    write(name, out + b"".join(blobs))


def icon_image(size, bpp, glyph, variant):
    # Magenta is no glyph's colour, so it can stand for "transparent" until the mask is made.
    cv = Canvas(size, size, MAGENTA)
    color = [BLUE, RED, GREEN, TEAL][variant % 4]
    draw_glyph(cv, 0, 0, size, size, glyph, color)
    palette = VGA if bpp == 4 else VGA + [(i, i, 255 - i) for i in range(240)]
    opaque = [[1 if v != MAGENTA else 0 for v in row] for row in cv.px]
    for y in range(size):
        for x in range(size):
            if cv.px[y][x] == MAGENTA:
                cv.px[y][x] = BLACK
            elif bpp == 8 and cv.px[y][x] == WHITE:
                cv.px[y][x] = 16 + (x + y) * 239 // (2 * size)
    dib = dib_bytes(cv, bpp, palette, height_factor=2)
    and_ = pixel_rows([[1 - v for v in row] for row in opaque], size, 1)
    return dib + and_, len(palette)


def write_icon(name, images, glyph, variant):
    blobs = [icon_image(size, bpp, glyph, variant) for size, bpp in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (size, bpp), (blob, colors) in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size, size, colors if colors < 256 else 0, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    write(name, out + b"".join(blob for blob, _ in blobs))


# The shutter sound: a short click, its echo and a fading rattle; 8-bit mono at 22,050 Hz.
SOUND_SAMPLES = 3375


def make_shutter():
    samples = bytearray()
    seed = 0x2545F491
    for i in range(SOUND_SAMPLES):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = ((seed >> 16) & 0xFF) - 128
        t = i % 1700
        envelope = max(0.0, 1.0 - t / 700.0) ** 2
        thump = 40 if (t // 18) % 2 == 0 and t < 180 else -40 if t < 180 else 0
        value = 128 + int(noise * 0.6 * envelope) + int(thump * envelope)
        samples.append(max(0, min(255, value)))
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 22050, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + bytes(samples)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def toolbar_data(width, height, items, ids):
    commands = [ids[i] if isinstance(i, str) else i for i in items]
    return struct.pack("<HHHH", 1, width, height, len(commands)) + \
        struct.pack("<%dH" % len(commands), *commands)


# Combo box lists filled when the dialogs open; the framework sends them as 16-bit style
# CB_ADDSTRING (0x0403) with text in the ANSI code page of the Hungarian user interface.
FORMATS = ["BMP", "JPEG", "PNG", "GIF", "TIFF"]
DLGINIT = [
    (105, [("IDC_OPT_FORMAT", FORMATS),
           ("IDC_OPT_AFTER", ["Megnyitás a szerkesztőben", "Mentés fájlba",
                              "Másolás a vágólapra", "Nyomtatás"])]),
    (138, [("IDC_SAVE_FORMAT", FORMATS),
           ("IDC_SAVE_COLORS", ["2 szín", "16 szín", "256 szín", "Valódi színek (24 bit)"])]),
    (2056, [("IDC_TIMER_MODE", ["Teljes képernyő", "Aktív ablak", "Kijelölt terület"])]),
    (16134, [("IDC_PRINT_SCALE", ["25 %", "50 %", "75 %", "100 %", "150 %", "200 %"])]),
]


def dlginit_data(entries, ids):
    out = b""
    for control, texts in entries:
        for text in texts:
            raw = text.encode("cp1250") + b"\0"
            out += struct.pack("<HHI", ids[control], 0x0403, len(raw)) + raw
    return out + struct.pack("<H", 0)


def rc_lang(lang):
    return "LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL" if lang == 0 else \
        "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US"


def main():
    global ART
    if len(sys.argv) > 1:
        ART = sys.argv[1]
    os.makedirs(ART, exist_ok=True)
    ids = read_ids()
    rc = ["// resource_library/art/Art.rc - written by make_art.py; do not edit.", ""]

    def add(lang, name, kind, file):
        rc.extend([rc_lang(lang), "%s %s \"art/%s\"" % (name, kind, file)])

    for tid, lang, w, h, items in TOOLBARS:
        write("Toolbar%d.bin" % tid, toolbar_data(w, h, items, ids))
        add(lang, tid, "241", "Toolbar%d.bin" % tid)
        glyphs = TOOLBAR_GLYPHS[tid]
        assert len(glyphs) == len([i for i in items if i != 0])
        write_bmp("Toolbar%d.bmp" % tid, toolbar_strip(glyphs, tid))
        add(lang, tid, "BITMAP", "Toolbar%d.bmp" % tid)
    for n, (bid, lang, size, kind) in enumerate(PICTURES):
        write_bmp("Bitmap%d.bmp" % bid, picture(size, kind, [BLUE, RED, GREEN, TEAL][n % 4]))
        add(lang, bid, "BITMAP", "Bitmap%d.bmp" % bid)
    for bid, lang, w, h, hue in GRADIENTS:
        cv, palette = gradient_picture(w, h, hue)
        write_bmp("Bitmap%d.bmp" % bid, cv, bpp=8, palette=palette)
        add(lang, bid, "BITMAP", "Bitmap%d.bmp" % bid)
    for n, (iid, lang, images, glyph) in enumerate(ICONS):
        write_icon("Icon%d.ico" % iid, images, glyph, n)
        add(lang, iid, "ICON", "Icon%d.ico" % iid)
    for name, lang, sizes, shape in CURSORS:
        write_cursor("Cursor%s.cur" % name, sizes, shape)
        add(lang, name, "CURSOR", "Cursor%s.cur" % name)
    for did, entries in DLGINIT:
        write("DlgInit%d.bin" % did, dlginit_data(entries, ids))
        add(1033, did, "240", "DlgInit%d.bin" % did)
    write("Shutter.wav", make_shutter())
    add(1033, "IDW_SHUTTER", "WAVE", "Shutter.wav")
    with open(os.path.join(ART, "Art.rc"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(rc) + "\n")


if __name__ == "__main__":
    main()
