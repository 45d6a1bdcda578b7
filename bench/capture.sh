#!/usr/bin/env bash
# bench/capture.sh [RUNS]
# demo-capture's speed: 10 s of the demo at 60 fps, 1024x768, into an .mp4,
# RUNS times (default 1), with the wall time and the multiple of real time
# of each run, where the time went, and the limit that the machine sets: the
# CPU time that the run's parts took (render thread, GL driver's threads,
# encoder thread, codec threads, start-up) divided by the cores, which no
# schedule of that work could beat. Beside it the running demo's frame rate
# (demo-linux on a private Xvfb, frames 100 to 700, median of three runs) on
# the same machine. Both use Mesa's software renderer. The last line puts the
# medians side by side; the load average is printed at the start and the end.
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
load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "== demo-capture: 10 s at 60 fps, 1024x768, .mp4 ($(nproc) cores, load average $(load))"
for i in $(seq "$RUNS"); do
  start=$(date +%s.%N)
  (unset DISPLAY; DEMO_CAPTURE_TIMES=1 "$CAPTURE" --seconds 10 "$tmp/bench.mp4") > "$tmp/out"
  end=$(date +%s.%N)
  python3 - "$start" "$end" "$tmp/out" "$tmp/runs" <<'PY'
import re, sys
wall = float(sys.argv[2]) - float(sys.argv[1])
text = open(sys.argv[3]).read()
m = re.search(r"cpu \(s\): render thread ([\d.]+), GL driver's threads ([\d.]+), encoder thread "
              r"([\d.]+), codec threads ([\d.]+), start-up and clean-up ([\d.]+); "
              r"whole process [\d.]+ on (\d+) cores", text)
parts = [float(v) for v in m.groups()[:5]]
cores = int(m.group(6))
limit = sum(parts) / cores
print("  wall %.2f s (process start to end) = %.2fx real time; CPU %.2f s on %d cores: limit "
      "%.2f s = %.2fx; wall / limit %.2f" % (wall, 10 / wall, sum(parts), cores, limit,
                                            10 / limit, wall / limit))
for l in text.splitlines():
    print("    " + l)
open(sys.argv[4], "a").write("%f %f %f\n" % (wall, sum(parts), limit))
PY
  rm -f "$tmp/bench.mp4"
done

# Three runs of the demo on one private Xvfb (scripts/xvfb.sh).
LAUNCH=$LAUNCH SHIM=$SHIM DEMO=$DEMO FRAMES_OUT=$tmp/frames "$ROOT/scripts/xvfb.sh" bash -c '
  for _ in 1 2 3; do
    LIBGL_ALWAYS_SOFTWARE=1 FSOUND_OUTPUT=null PERFSHIM_OUT="$FRAMES_OUT" PERFSHIM_WARMUP=100 \
      PERFSHIM_STOP=700 LD_PRELOAD="$SHIM" "$LAUNCH" "$DEMO" >/dev/null 2>&1 || exit 1
  done' || { echo "capture bench: demo-linux failed" >&2; exit 1; }
python3 - "$tmp/frames" "$tmp/runs" "$(nproc)" "$(load)" <<'PY'
import statistics, sys
fps = statistics.median(
    float(dict(f.split("=", 1) for f in l.split())["fps"]) for l in open(sys.argv[1]))
runs = [[float(v) for v in l.split()] for l in open(sys.argv[2])]
wall = statistics.median(r[0] for r in runs)
cpu = statistics.median(r[1] for r in runs)
limit = statistics.median(r[2] for r in runs)
print("== the running demo (demo-linux, Xvfb): %.1f fps (median of 3 runs; 60 fps = 1.0x)" % fps)
print("== median of %d: capture %.2fx real time (%.2f s) | limit %.2fx (%.2f CPU-s on %s cores: "
      "%.2f s) | %.0f %% of the limit | running demo %.1f fps = %.2fx | load average %s"
      % (len(runs), 10 / wall, wall, 10 / limit, cpu, sys.argv[3], limit, 100 * limit / wall,
         fps, fps / 60, sys.argv[4]))
PY
