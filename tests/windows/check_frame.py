#!/usr/bin/env python3
"""Checks a 1024x768 screenshot of the Windows demo: the scene is on screen.

Regions, in screen pixels (top-left origin):
  logo     - top-left quarter, where the logo is added to the frame;
  ufo      - the centre of the screen, where the saucer turns;
  carpet   - the bottom sixth, the carpet band tinted (1, 0.8, 0.5): warm, red above blue;
  bars     - the raster bars: rows whose colour is the same all along the row and bright.
"""
import sys
from PIL import Image


def mean(img, box):
    region = img.crop(box)
    w, h = region.size
    px = list(region.getdata())
    n = float(len(px))
    return tuple(sum(p[i] for p in px) / n for i in range(3)), px


def main(path):
    img = Image.open(path).convert("RGB")
    if img.size != (1024, 768):
        print("unexpected size", img.size)
        return 1
    ok = True

    (r, g, b), _ = mean(img, (0, 0, 512, 384))
    print("logo region mean", round(r), round(g), round(b))
    ok &= (r + g + b) / 3 > 12

    _, px = mean(img, (412, 284, 612, 484))
    lit = sum(1 for p in px if max(p) > 40) / float(len(px))
    print("ufo region lit share", round(lit, 2))
    ok &= lit > 0.3

    (r, g, b), _ = mean(img, (0, 640, 1024, 768))
    print("carpet band mean", round(r), round(g), round(b))
    ok &= r > b + 10 and (r + g + b) / 3 > 30

    bright_rows = 0
    for y in range(0, 640, 2):
        row = [img.getpixel((x, y)) for x in range(0, 1024, 16)]
        lum = [sum(p) / 3 for p in row]
        if min(lum) > 60 and max(lum) - min(lum) < 40:
            bright_rows += 1
    print("uniform bright rows (bars)", bright_rows)
    ok &= bright_rows >= 4

    print("frame check", "passed" if ok else "FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
