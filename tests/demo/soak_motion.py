#!/usr/bin/python3
"""soak_motion.py A.png B.png: the scroller and the raster bars moved between
two captured frames. Bars: rows above the message that are lit (not black)
across most of the width, as only the bars are; scroller: near-white pixels
(the big glyphs) above the message. Prints what it found; status 1 if either
stood still."""
import sys
from PIL import Image


def measure(path):
    img = Image.open(path).convert("RGB")
    w, h = img.size
    px = img.load()
    bars = tuple(y for y in range(0, 600)
                 if sum(1 for x in range(0, w, 4) if max(px[x, y]) > 60) > 0.8 * w / 4)
    white = {(x, y) for y in range(0, 600, 2) for x in range(0, w, 2)
             if min(px[x, y]) > 200}
    return bars, white


(a_bars, a_white), (b_bars, b_white) = measure(sys.argv[1]), measure(sys.argv[2])
changed = len(a_white ^ b_white)
print(f"bar rows {len(a_bars)} -> {len(b_bars)}, first {a_bars[:1]} -> {b_bars[:1]}; "
      f"glyph pixels {len(a_white)} -> {len(b_white)}, {changed} changed")
ok = True
if not a_bars or not b_bars or a_bars == b_bars:
    print("the bars did not move"); ok = False
if len(a_white) < 200 or len(b_white) < 200 or changed < 100:
    print("the scroller did not move"); ok = False
sys.exit(0 if ok else 1)
