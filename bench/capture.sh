#!/usr/bin/env bash
# bench/capture.sh [RUNS]
# demo-capture's speed: 10 s of the demo at 60 fps, 1024x768, into an .mp4,
# RUNS times (default 1), with the wall time and the multiple of real time
# of each run and where the time went, beside the running demo's frame rate
# (demo-linux on a private Xvfb, frames 100 to 700, median of three runs) on
# the same machine. Both use Mesa's software renderer.
# Environment: BUILD (build folder, default ./build; the targets are built).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-$ROOT/build}
RUNS=${1:-1}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)" --target demo-capture demo-linux perf-launch perfshim >/dev/null
CAPTURE=$BUILD/src/demo-capture
DEMO=$BUILD/src/demo-linux
LAUNCH=$BUILD/bench/perf-launch
SHIM=$BUILD/bench/libperfshim.so
command -v Xvfb >/dev/null || { echo "capture bench: Xvfb is needed" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

echo "== demo-capture: 10 s at 60 fps, 1024x768, .mp4 ($(nproc) cores)"
for i in $(seq "$RUNS"); do
  start=$(date +%s.%N)
  (unset DISPLAY; DEMO_CAPTURE_TIMES=1 "$CAPTURE" --seconds 10 "$tmp/bench.mp4") > "$tmp/out"
  end=$(date +%s.%N)
  python3 - "$start" "$end" "$tmp/out" <<'PY'
import sys
wall = float(sys.argv[2]) - float(sys.argv[1])
lines = open(sys.argv[3]).read().splitlines()
print("  wall %.2f s (process start to end)   %.2fx real time" % (wall, 10.0 / wall))
for l in lines:
    print("  " + l)
PY
  rm -f "$tmp/bench.mp4"
done

# Three runs of the demo on one private Xvfb (scripts/xvfb.sh).
LAUNCH=$LAUNCH SHIM=$SHIM DEMO=$DEMO FRAMES_OUT=$tmp/frames "$ROOT/scripts/xvfb.sh" bash -c '
  for _ in 1 2 3; do
    LIBGL_ALWAYS_SOFTWARE=1 FSOUND_OUTPUT=null PERFSHIM_OUT="$FRAMES_OUT" PERFSHIM_WARMUP=100 \
      PERFSHIM_STOP=700 LD_PRELOAD="$SHIM" "$LAUNCH" "$DEMO" >/dev/null 2>&1 || exit 1
  done' || { echo "capture bench: demo-linux failed" >&2; exit 1; }
python3 - "$tmp/frames" <<'PY'
import statistics, sys
fps = [float(dict(f.split("=", 1) for f in l.split())["fps"]) for l in open(sys.argv[1])]
print("== the running demo (demo-linux, Xvfb): %.1f fps (median of %d runs; 60 fps = 1.0x)"
      % (statistics.median(fps), len(fps)))
PY
