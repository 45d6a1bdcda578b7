#!/bin/sh
# pngcheck must accept every shipped texture image without a warning.
# usage: assets_images_pngcheck.sh SOURCE_DIR
set -eu
cd "$1/data"
command -v pngcheck >/dev/null || { echo "pngcheck is not installed"; exit 1; }
pngcheck -q quon.png raster.png raster-green.png raster-blue.png carpet.png cheese.png ufo.png
