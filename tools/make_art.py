#!/usr/bin/env python3
"""Draws the program's own art: the backdrop (resources/background.png), the
icon as PNG (resources/zembrix.png) and as XPM data (src/ui/icon.cpp).

Run from the project root: python3 tools/make_art.py
Only the standard library is used, so the output is the same everywhere.
"""
import struct
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

BLUE = (0x35, 0x28, 0x79)
LIGHT_BLUE = (0x6C, 0x5E, 0xB5)
GRID_BLUE = (0x42, 0x35, 0x8C)

# Our own 5 x 7 letters, drawn with double-width strokes like a C64 screen.
FONT = {
    "A": "01110 10001 10001 11111 10001 10001 10001",
    "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110",
    "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111",
    "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111",
    "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110",
    "K": "10001 10010 10100 11000 10100 10010 10001",
    "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001",
    "N": "10001 10001 11001 10101 10011 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110",
    "P": "11110 10001 10001 11110 10000 10000 10000",
    "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110",
    "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110",
    "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010",
    "X": "10001 10001 01010 00100 01010 10001 10001",
    "Y": "10001 10001 01010 00100 00100 00100 00100",
    "Z": "11111 00001 00010 00100 01000 10000 11111",
    "0": "01110 10001 10011 10101 11001 10001 01110",
    "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111",
    "3": "11111 00010 00100 00010 00001 10001 01110",
    "4": "00010 00110 01010 10010 11111 00010 00010",
    "5": "11111 10000 11110 00001 00001 10001 01110",
    "8": "01110 10001 10001 01110 10001 10001 01110",
    "*": "00000 00100 10101 01110 10101 00100 00000",
    "-": "00000 00000 00000 11111 00000 00000 00000",
    ".": "00000 00000 00000 00000 00000 01100 01100",
    " ": "00000 00000 00000 00000 00000 00000 00000",
}


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    path.write_bytes(png)


def backdrop():
    w, h = 320, 200
    img = [[BLUE + (255,) for _ in range(w)] for _ in range(h)]

    def put(x, y, colour):
        if 0 <= x < w and 0 <= y < h:
            img[y][x] = colour + (255,)

    def text(col, row, s):
        for i, ch in enumerate(s):
            rows = FONT[ch].split()
            for gy, bits in enumerate(rows):
                for gx, bit in enumerate(bits):
                    if bit == "1":
                        x = (col + i) * 8 + 1 + gx
                        put(x, row * 8 + gy, LIGHT_BLUE)
                        put(x + 1, row * 8 + gy, LIGHT_BLUE)

    text(0, 1, "   **** ZEMBRIX GRAPHICS WORKBENCH ****")
    text(0, 3, " 255 ITEMS  32 LOCATIONS  40X18 CELLS")
    text(0, 5, "READY.")
    for y in range(40, 48):  # the cursor
        for x in range(48, 56):
            put(x, y, LIGHT_BLUE)
    # A ruler along the top of the location area, one tick per cell.
    for x in range(w):
        put(x, 54, LIGHT_BLUE if x % 8 == 0 else GRID_BLUE)
    # The location area: a faint dot at each cell corner.
    for y in range(56, h, 8):
        for x in range(0, w, 8):
            put(x, y, GRID_BLUE)
    return w, h, img


def icon():
    """32 x 32: a chunky rainbow Z on a rounded C64-blue tile."""
    size = 32
    img = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def inside(x, y, r=6, lo=1, hi=30):
        cx = min(max(x, lo + r), hi - r)
        cy = min(max(y, lo + r), hi - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 3

    def mix(a, b, t):
        return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))

    for y in range(size):
        for x in range(size):
            if not inside(x, y):
                continue
            edge = not (inside(x - 1, y) and inside(x + 1, y) and inside(x, y - 1) and
                        inside(x, y + 1))
            if edge:
                img[y][x] = (0x1E, 0x16, 0x48, 255)
                continue
            t = y / (size - 1)
            base = mix(LIGHT_BLUE, BLUE, t)
            # A soft light from the top left.
            shade = max(0.0, 1.0 - ((x - 6) ** 2 + (y - 5) ** 2) / 500.0) * 0.35
            img[y][x] = mix(base, (0xFF, 0xFF, 0xFF), shade) + (255,)

    # The Z, in double-width pixels on a 12 x 11 grid.
    z = [
        "111111111111",
        "111111111111",
        "000000001110",
        "000000011100",
        "000000111000",
        "000001110000",
        "000011100000",
        "000111000000",
        "001110000000",
        "111111111111",
        "111111111111",
    ]
    rainbow = [(0xF4, 0xF0, 0x90), (0xB8, 0xC7, 0x6F), (0x9A, 0xD2, 0x84), (0x70, 0xA4, 0xB2),
               (0xC0, 0x80, 0x70), (0xD0, 0x68, 0x48), (0xB0, 0x48, 0x30)]
    ox, oy = 4, 5
    for pass_ in ("shadow", "body"):
        for gy, row in enumerate(z):
            for gx, bit in enumerate(row):
                if bit != "1":
                    continue
                t = gy / (len(z) - 1) * (len(rainbow) - 1)
                lo = int(t)
                colour = mix(rainbow[lo], rainbow[min(lo + 1, len(rainbow) - 1)], t - lo)
                for dx in (0, 1):
                    x = ox + gx * 2 + dx
                    y = oy + gy * 2
                    for dy in (0, 1):
                        if pass_ == "shadow":
                            img[y + dy + 1][x + 1] = (0x10, 0x0C, 0x2C, 255)
                        else:
                            lit = 0.18 if dy == 0 else 0.0
                            img[y + dy][x] = mix(colour, (0xFF, 0xFF, 0xFF), lit) + (255,)
    return size, size, img


def xpm_source(w, h, img):
    chars = "".join(c for c in map(chr, range(35, 127)) if c not in "\"\\")
    colours = {}
    for row in img:
        for px in row:
            if px not in colours:
                colours[px] = None
    for i, px in enumerate(colours):
        colours[px] = chars[i // len(chars)] + chars[i % len(chars)]
    lines = ['"%d %d %d 2",' % (w, h, len(colours))]
    for px, code in colours.items():
        value = "None" if px[3] == 0 else "#%02X%02X%02X" % px[:3]
        lines.append('"%s c %s",' % (code, value))
    for row in img:
        lines.append('"%s",' % "".join(colours[px] for px in row))
    lines[-1] = lines[-1].rstrip(",")
    body = "\n".join("    " + line for line in lines)
    return ("// The program icon, 32 x 32. Made by tools/make_art.py: edit that, not this.\n"
            '#include "ui/icon.h"\n\n'
            "// clang-format off\n"
            "const char *const program_icon_xpm[] = {\n" + body + "\n};\n"
            "// clang-format on\n")


def main():
    w, h, img = backdrop()
    write_png(ROOT / "resources" / "background.png", w, h, img)
    w, h, img = icon()
    write_png(ROOT / "resources" / "zembrix.png", w, h, img)
    (ROOT / "src" / "ui" / "icon.cpp").write_text(xpm_source(w, h, img))


if __name__ == "__main__":
    main()
