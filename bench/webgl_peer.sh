#!/usr/bin/env bash
# bench/webgl_peer.sh [RUNS]
# Our GL layer for the web (web/gl/, quongl over WebGL 2) against Emscripten's
# own legacy GL emulation (-sLEGACY_GL_EMULATION over WebGL 1): the same page
# and demo sources built both ways, run in turns in one headless Chromium
# (software WebGL), RUNS times each (default 3). For each run it prints the
# frame rate, the main thread's time per frame (and of it the frame callback's,
# the demo's frame), and the CPU time per frame of the renderer and GPU
# processes; then the medians side by side (bench/webgl_peer.py). Not in CI.
# Environment: BUILD (a native build folder for the archive packer qdar,
# default ./build), WEB_BUILD (the web build, default ./build-web), PEER_BUILD
# (the peer's build, default ./build-web-peer; bench/webgl_peer/), FRAMES
# (frames measured per run, default 300), OUT (a folder to keep the compared
# frames in). The builds are configured if needed and brought up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-$ROOT/build}
WEB_BUILD=${WEB_BUILD:-$ROOT/build-web}
PEER_BUILD=${PEER_BUILD:-$ROOT/build-web-peer}
RUNS=${1:-3}
JOBS=$(nproc)
# Emscripten's tools need Debian's Node.js modules (see scripts/test.sh).
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

for tool in emcmake chromium-headless-shell; do
  command -v "$tool" >/dev/null || { echo "webgl peer bench: $tool is needed (scripts/deps.sh)" >&2; exit 1; }
done
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target qdar >/dev/null
configure() {  # folder, extra options
  local dir=$1
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    emcmake cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
      -DQUON_QDAR="$BUILD/tools/qdar" "$@" >/dev/null
  fi
  # The page's own target: the module, and index.html written after its link.
  cmake --build "$dir" -j "$JOBS" --target demo-web-page >/dev/null
}
configure "$WEB_BUILD"
configure "$PEER_BUILD" -DQUON_WEB_PEER=ON
peer() { grep -q '^QUON_WEB_PEER:BOOL=ON$' "$1/CMakeCache.txt"; }
if peer "$WEB_BUILD" || ! peer "$PEER_BUILD"; then
  echo "webgl peer bench: $WEB_BUILD must be the web build and $PEER_BUILD its peer (-DQUON_WEB_PEER=ON)" >&2
  exit 1
fi

exec /usr/bin/python3 "$ROOT/bench/webgl_peer.py" --ours "$WEB_BUILD/web" \
  --peer "$PEER_BUILD/web" --runs "$RUNS" --frames "${FRAMES:-300}" ${OUT:+--out "$OUT"}
