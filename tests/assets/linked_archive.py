#!/usr/bin/env python3
"""linked_archive.py PROGRAM linux|win32|full

Finds the asset archive linked into PROGRAM (demo-linux, demo-win32.exe, or
with "full" demo-capture or the web page's quon.wasm) and
compares it with the expected layout: total length, directory offset, and
every directory entry in order (name, record offset, record length), read
byte by byte from the program file itself, independently of the library's
reader. Fails (status 1) on any difference, a missing entry included."""
import struct
import sys

# (name, length) of the Linux archive's entries, in storage order.
COMMON = [
    ("data/quon.png", 6726), ("data/raster.png", 168), ("data/raster-green.png", 188),
    ("data/raster-blue.png", 192), ("data/carpet.png", 61573), ("data/blippo.png", 14174),
    ("data/cheese.png", 20903), ("data/cheese.oia", 2316), ("data/slkscr.png", 981),
    ("data/slkscr.qfi", 1020),
]
LINUX = COMMON + [("data/tune.ogg", 1050035), ("data/scroller.txt", 598)]
LAYOUTS = {
    "linux": (1159263, 1158978, LINUX),
    # The Linux archive's records and names unchanged, the UFO's two behind them.
    "full": (1253867, 1253542, LINUX + [("data/UFO-0.oia", 79884), ("data/ufo.png", 14664)]),
    "win32": (362744, 362419,
              COMMON + [("data/scroller.txt", 598), ("data/tune.ogg", 158912),
                        ("data/ufo.png", 14664), ("data/UFO-0.oia", 79884)]),
}


def i32(b, at):
    return struct.unpack_from("<i", b, at)[0]


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def find_archive(image):
    """Every place in the program where a whole archive lies: magic, a length
    that stays inside the file, the trailer tag at its end and a directory tag
    where the trailer points."""
    found = []
    at = image.find(b"QDAR")
    while at >= 0:
        if at + 8 <= len(image):
            length = i32(image, at + 4)
            if 15 <= length <= len(image) - at:
                block = image[at:at + length]
                d = i32(block, length - 4)
                if block[length - 7:length - 4] == b"END" and 0 <= d <= length - 5 \
                        and block[d:d + 3] == b"DIR":
                    found.append(block)
        at = image.find(b"QDAR", at + 1)
    return found


def main():
    program, which = sys.argv[1], sys.argv[2]
    total, dir_offset, entries = LAYOUTS[which]
    with open(program, "rb") as f:
        image = f.read()
    archives = find_archive(image)
    if len(archives) != 1:
        print(f"FAIL: {program}: {len(archives)} archives found, expected 1")
        return 1
    a = archives[0]
    errors = []

    def expect(what, got, want):
        if got != want:
            errors.append(f"{what}: {got!r}, expected {want!r}")

    expect("length", len(a), total)
    d = i32(a, len(a) - 4)
    expect("directory offset", d, dir_offset)
    n = u16(a, d + 3)
    expect("entries", n, len(entries))
    names = d + 5 + 6 * n
    record, name_offset = 8, 0
    for i in range(max(n, len(entries))):
        want = entries[i] if i < len(entries) else ("(none)", 0)
        if i >= n:
            errors.append(f"entry {i}: missing, expected {want[0]!r}")
            continue
        r, o = i32(a, d + 5 + 6 * i), u16(a, d + 9 + 6 * i)
        end = a.find(b"\0", names + o)
        name = a[names + o:end].decode("latin-1")
        size = i32(a, r + 3)
        print(f"{i:2} {name:24} record {r:8} length {size:8}")
        expect(f"entry {i} name", name, want[0])
        expect(f"entry {i} record offset", r, record)
        expect(f"entry {i} name offset", o, name_offset)
        expect(f"entry {i} length", size, want[1])
        expect(f"entry {i} tag", a[r:r + 3], b"DAT")
        record += 8 + want[1]
        name_offset += len(want[0]) + 1
    expect("records end at the directory", record, dir_offset)
    for e in errors:
        print("FAIL:", e)
    if not errors:
        print(f"PASS: {which} archive in {program}: {n} entries, {len(a)} bytes, directory at {d}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
