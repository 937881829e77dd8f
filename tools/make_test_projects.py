#!/usr/bin/env python3
"""Builds the project files under tests/data/files byte by byte.

    tools/make_test_projects.py ZEMBRIX_CLI [OUTDIR]

The objects are cut from the real pictures in tests/data/pictures
with `zembrix-cli grab`; panels, definitions and locations are laid out here.
sample.prg is a well-formed project as the editor writes it; quirks.prg is a
hand-made file that exercises the reader's skip, overlap and drop rules;
deep.prg nests panels so deep that drawing location 0 takes more placement
visits than the composition allows.
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PICTURES = os.path.join(ROOT, "tests", "data", "pictures")

# (picture, x, y, width, height, transparent colour or None)
OBJECTS = [
    ("koala/abydos.koa", 80, 64, 24, 16, None),
    ("koala/metal.kla", 64, 48, 8, 8, None),
    ("koala/NINJA3.KOA", 120, 80, 32, 32, 0),
    ("vidcom64/apo343.vid", 0, 96, 120, 16, None),
    ("blazing_paddles/worldmap.pi", 160, 40, 40, 24, None),
]


def grab(cli, tmp, cut, number):
    picture, x, y, w, h, transparent = cut
    out = os.path.join(tmp, "object_%d.zbxobject" % number)
    args = [cli, "grab", os.path.join(PICTURES, picture), "--x", str(x), "--y", str(y),
            "--width", str(w), "--height", str(h), "-o", out]
    if transparent is not None:
        args += ["--transparent", str(transparent)]
    subprocess.run(args, check=True)
    with open(out, "rb") as f:
        return f.read()


def definition(item, x, y, mirror=False, overrides=()):
    n = len(overrides)
    return bytes([item, ((x // 8 + 14) & 63) | (0x80 if mirror else 0),
                  ((y // 8 + 14) & 31) | (n << 5)] + list(overrides))


def panel(*defs):
    return b"".join(defs) + b"\xff"


def project(items, locations):
    """items: list of (kind, bytes) with kind 'o', 'p' or 'e'; written
    contiguously in index order, as the editor writes."""
    n = len(items)
    table = bytearray()
    for slot in range(32):
        table += bytes(locations.get(slot, (255, 0)))
    address = 0x0845 + 2 * n
    pointers = bytearray()
    data = bytearray()
    for kind, payload in items:
        entry = address | (0 if kind == "p" else 0x8000)
        pointers += bytes([entry & 0xFF, entry >> 8])
        data += payload
        address += len(payload)
    pointers += bytes([address & 0xFF, address >> 8])
    return bytes([0x00, 0x08, n, 0x00, 0x08]) + bytes(table) + bytes(pointers) + bytes(data) + b"\xff"


def sample(objects):
    o0, o1, o2, o3, o4 = objects
    items = [
        ("o", o0),
        ("o", o1),
        ("p", panel(definition(0, 0, 0), definition(1, 24, 0, mirror=True),
                    definition(1, 8, 16, overrides=(0x21,)), definition(4, -8, -8))),
        ("e", b""),
        ("o", o2),
        ("p", panel(definition(2, 16, 24), definition(2, 160, 24), definition(6, 0, 112),
                    definition(8, 100, 40), definition(0, 112, 32, mirror=True,
                                                         overrides=(0x15, 0x52)))),
        ("o", o3),
        ("p", panel()),
        ("o", o4),
        ("p", panel(definition(5, 0, 0), definition(4, 296, 120),
                    definition(8, -16, -8, mirror=True, overrides=(0x10, 0x32, 0x6e)))),
    ]
    locations = {0: (5, 6), 1: (9, 0), 2: (2, 14), 5: (7, 1), 31: (5, 2)}
    return project(items, locations)


def quirks(objects):
    """Entries and data laid out by hand: see the comments."""
    o0, o1 = objects[0], objects[1]
    n = 8
    base = 0x0845 + 2 * n
    data = bytearray()

    def put(payload):
        address = base + len(data)
        data.extend(payload)
        return address

    # Item 0: an object whose last colour byte is the header of item 1's
    # 1 x 1 object (overlap: item 0 is emptied on reading).
    a0 = put(o1[:-1] + bytes([0x11]))
    a1 = a0 + len(o1) - 1
    put(o1[1:])
    # Item 2: header $00, skipped.
    a2 = put(bytes([0x00]) + bytes(12))
    # Item 4: a panel with definitions to drop or turn into panel placements.
    a4 = put(definition(4, 0, 0, overrides=(0x99,))        # itself: dropped
             + definition(200, 8, 8)                       # beyond the items: dropped
             + definition(3, 16, 8, mirror=True, overrides=(0x12, 0x34))  # empty item
             + bytes([1, 0x40 | 15, 0x80 | 15])            # reserved bits set
             + b"\xff")
    # Items 6 and 7: the same object twice; 6 is skipped, 7 decoded.
    a6 = put(o0)
    a3 = base + len(data)  # item 3 is empty: the address of the next data
    pointers = [a0 | 0x8000, a1 | 0x8000, a2 | 0x8000, a3 | 0x8000, a4, a4, a6 | 0x8000,
                a6 | 0x8000]
    # Item 5 shares item 4's definition list: it is written twice when saved.
    locations = {0: (4, 0x2E), 1: (1, 3), 3: (5, 15), 4: (3, 7)}
    table = bytearray()
    for slot in range(32):
        table += bytes(locations.get(slot, (255, 0)))
    end = base + len(data)
    out = bytearray([0x00, 0x08, n, 0x00, 0x08]) + table
    for p in pointers:
        out += bytes([p & 0xFF, p >> 8])
    out += bytes([end & 0xFF, end >> 8]) + data + b"\xff"
    return bytes(out)


def deep(objects):
    """Item 0 an object of one cell; panels 1 to 7 each place the next one
    eight times, panel 7 the object: panel 1 needs 8 + 8^2 + ... + 8^7
    visits (2,396,744), panel 2 only 299,592. Location 0 elects panel 1,
    location 1 panel 2."""
    places = [(8 * (k % 4), 8 * (k // 4)) for k in range(8)]
    items = [("o", objects[1])]
    for p in range(1, 8):
        child = p + 1 if p < 7 else 0
        items.append(("p", panel(*(definition(child, x, y) for x, y in places))))
    return project(items, {0: (1, 6), 1: (2, 0)})


def main():
    cli = sys.argv[1]
    outdir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "tests", "data", "files")
    with tempfile.TemporaryDirectory() as tmp:
        objects = [grab(cli, tmp, cut, k) for k, cut in enumerate(OBJECTS)]
    for k, obj in enumerate(objects):
        with open(os.path.join(outdir, "object_%d.zbxobject" % k), "wb") as f:
            f.write(obj)
    with open(os.path.join(outdir, "sample.prg"), "wb") as f:
        f.write(sample(objects))
    with open(os.path.join(outdir, "quirks.prg"), "wb") as f:
        f.write(quirks(objects))
    with open(os.path.join(outdir, "deep.prg"), "wb") as f:
        f.write(deep(objects))


if __name__ == "__main__":
    main()
