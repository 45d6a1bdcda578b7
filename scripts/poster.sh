#!/usr/bin/env bash
# poster.sh [BUILD]
# Remakes web/poster.webp, the still that the web page shows at once while it
# loads: frame 74 of the Linux demo (the clock stepping 40 ms a frame, the
# scroller's greeting over the raster bars), run from the repository root
# under a private Xvfb with the frame clock library of the native build BUILD
# (default build/: `cmake --build build --target demo-linux frameclock`),
# scaled to 800x600 and stored as lossy WebP at quality 50 (about 27 KB).
# The file is committed, so the build needs none of this; rerun it when the
# picture changes.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
FRAME=74
for f in "$BUILD/src/demo-linux" "$BUILD/tests/libframeclock.so"; do
  [ -e "$f" ] || { echo "poster: $f is missing (build demo-linux and frameclock)" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$ROOT" && LD_PRELOAD="$BUILD/tests/libframeclock.so" FRAMECLOCK_DIR="$tmp" \
  FRAMECLOCK_STEP_US=40000 FRAMECLOCK_FRAMES=$FRAME FRAMECLOCK_QUIT=$FRAME FSOUND_OUTPUT=null \
  "$ROOT/scripts/xvfb.sh" "$BUILD/src/demo-linux" >/dev/null)
convert "$tmp/frame-$FRAME-final.png" -resize 800x600 -strip -quality 50 -define webp:method=6 \
  "$ROOT/web/poster.webp"
echo "poster: web/poster.webp ($(stat -c %s "$ROOT/web/poster.webp") bytes)"
