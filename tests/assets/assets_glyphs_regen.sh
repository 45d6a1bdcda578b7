#!/bin/sh
# Remakes the scroller glyphs, the pixel font, the scroller text and the two
# meshes into a temporary folder, compares them byte for byte with data/, and
# has pngcheck look at the two images.
# usage: assets_glyphs_regen.sh GLYPHGEN MESHGEN SOURCE_DIR
set -eu
glyphgen=$1
meshgen=$2
data=$3/data
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$glyphgen" "$out" >/dev/null
"$meshgen" "$out"
files="blippo.png slkscr.png slkscr.qfi scroller.txt cheese.oia UFO-0.oia"
status=0
for f in $files; do
    if ! cmp "$out/$f" "$data/$f"; then
        echo "differs from data/: $f"
        status=1
    fi
done
[ "$(ls "$out" | wc -l)" -eq 6 ] || { echo "unexpected output: $(ls "$out")"; status=1; }
command -v pngcheck >/dev/null || { echo "pngcheck is not installed"; exit 1; }
pngcheck -q "$data/blippo.png" "$data/slkscr.png" || status=1
exit $status
