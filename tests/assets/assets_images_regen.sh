#!/bin/sh
# Remakes the texture images with artgen into a temporary folder and compares
# them byte for byte with the committed ones in data/.
# usage: assets_images_regen.sh ARTGEN SOURCE_DIR
set -eu
artgen=$1
data=$2/data
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$artgen" "$out"
status=0
for f in quon.png raster.png raster-green.png raster-blue.png carpet.png cheese.png ufo.png; do
    if ! cmp "$out/$f" "$data/$f"; then
        echo "differs from data/: $f"
        status=1
    fi
done
# artgen writes nothing else.
extra=$(ls "$out" | grep -v -x -e quon.png -e raster.png -e raster-green.png -e raster-blue.png \
    -e carpet.png -e cheese.png -e ufo.png || true)
[ -z "$extra" ] || { echo "unexpected output: $extra"; status=1; }
exit $status
