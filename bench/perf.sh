#!/usr/bin/env bash
# bench/perf.sh [RUNS]
# Performance figures of demo-linux beside a bare GLX program that opens the
# same window, in one run, on a private Xvfb with Mesa's software renderer:
#   1. start-up: exec to the first swapped frame, median of RUNS (default 20)
#      runs of each, alternating, with where the demo's extra time goes;
#   2. frames: frames per second over 1000 frames after 100 warm-up frames,
#      and CPU time per frame; the share of the demo's CPU samples spent in
#      its own code (perf record, when perf can sample here);
#   3. memory: peak resident memory (VmHWM), heap in use after start-up and
#      after the frames, and the big heap blocks still alive;
#   4. the mixer's CPU time per second of audio (fsound_bench);
#   5. PNG decoding against libpng and libspng (png_bench);
#   6. demo-capture: 10 s at 60 fps into an .mp4, its multiple of real time
#      beside the running demo's frame rate (bench/capture.sh).
# Environment: BUILD (build folder, default ./build; the targets are built),
# FRAMES (default 1000), SKIP_BENCH=1 leaves out 4 and 5, SKIP_CAPTURE=1 6.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-$ROOT/build}
RUNS=${1:-20}
FRAMES=${FRAMES:-1000}
WARMUP=100

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(demo-linux bare-glx perf-launch perfshim)
[ "${SKIP_BENCH:-0}" = 1 ] || targets+=(png_bench fsound_bench)
cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}" >/dev/null
DEMO=$BUILD/src/demo-linux
BARE=$BUILD/bench/bare-glx
LAUNCH=$BUILD/bench/perf-launch
SHIM=$BUILD/bench/libperfshim.so
for f in "$DEMO" "$BARE" "$LAUNCH" "$SHIM"; do
  [ -e "$f" ] || { echo "perf: $f is missing" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "perf: Xvfb is needed" >&2; exit 1; }
if [ -z "${QUON_PERF_ON_XVFB:-}" ]; then
  # Again, on a private Xvfb (scripts/xvfb.sh sets DISPLAY); the targets are built already.
  QUON_PERF_ON_XVFB=1 exec "$ROOT/scripts/xvfb.sh" "$ROOT/bench/perf.sh" "$@"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Mesa's software renderer, and no sound card needed: the mixer runs on the
# null output.
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe FSOUND_OUTPUT=null

# run KIND OUT [PERFSHIM settings...]: one run of the demo or the bare
# program, from the repository root (the demo finds "data/ufo.png" there).
run() {
  local kind=$1 out=$2 prog
  shift 2
  if [ "$kind" = demo ]; then prog=$DEMO; else prog=$BARE; fi
  env PERFSHIM_OUT="$out" "$@" LD_PRELOAD="$SHIM" "$LAUNCH" "$prog" >/dev/null 2>&1 ||
    { echo "perf: $kind failed" >&2; exit 1; }
}

echo "perf: Xvfb $DISPLAY, $(nproc) cores, $RUNS start-up runs, $FRAMES frames"
for _ in $(seq "$RUNS"); do
  run bare "$tmp/start-bare"
  run demo "$tmp/start-demo"
done
for _ in 1 2 3; do
  run bare "$tmp/frames-bare" PERFSHIM_WARMUP=$WARMUP PERFSHIM_STOP=$((WARMUP + FRAMES))
  run demo "$tmp/frames-demo" PERFSHIM_WARMUP=$WARMUP PERFSHIM_STOP=$((WARMUP + FRAMES))
done

# Profile of the frames only: perf starts disabled, the shim enables it after
# the warm-up and disables it at the end.
profile=
if command -v perf >/dev/null && perf record -e cpu-clock -o "$tmp/probe.data" true >/dev/null 2>&1; then
  mkfifo "$tmp/ctl"
  if perf record -e cpu-clock -F 4000 -D -1 --control "fifo:$tmp/ctl" -o "$tmp/perf.data" -- \
       env PERFSHIM_OUT="$tmp/frames-perf" PERFSHIM_CTL="$tmp/ctl" PERFSHIM_WARMUP=$WARMUP \
       PERFSHIM_STOP=$((WARMUP + FRAMES)) LD_PRELOAD="$SHIM" "$DEMO" >/dev/null 2>&1; then
    perf report -i "$tmp/perf.data" --stdio --sort dso -g none 2>/dev/null |
      grep -v '^#' | grep . | head -8 > "$tmp/dso" || true
    perf report -i "$tmp/perf.data" --stdio --sort pid,dso -g none 2>/dev/null |
      grep -v '^#' | grep . > "$tmp/piddso" || true
    perf report -i "$tmp/perf.data" --stdio --sort pid,sym -g none --dsos "$(basename "$DEMO")" \
      2>/dev/null | grep -v '^#' | grep . | head -14 > "$tmp/sym" || true
    profile=$tmp
  fi
  # Start-up of each program, exec to the first swap, by object.
  for kind in bare demo; do
    prog=$BARE; [ "$kind" = demo ] && prog=$DEMO
    perf record -e cpu-clock -F 10000 -o "$tmp/start-$kind.data" -- env PERFSHIM_OUT=/dev/null \
      LD_PRELOAD="$SHIM" "$prog" >/dev/null 2>&1 &&
      perf report -i "$tmp/start-$kind.data" --stdio --sort dso -g none 2>/dev/null |
        grep -v '^#' | grep . | head -10 > "$tmp/start-$kind.dso" || true
  done
fi

python3 - "$tmp" "$profile" "$FRAMES" "$WARMUP" <<'EOF'
import statistics, sys, os
tmp, profile = sys.argv[1], sys.argv[2]

def records(name):
    out = []
    for line in open(os.path.join(tmp, name)):
        out.append(dict(f.split("=", 1) for f in line.split()))
    return out

def med(rs, key):
    return statistics.median(float(r[key]) for r in rs)

sb, sd = records("start-bare"), records("start-demo")
bare, demo = med(sb, "swap1"), med(sd, "swap1")
print("\n== start-up: exec to the first swapped frame (median of %d runs)" % len(sd))
print("  bare-glx   %8.1f ms" % bare)
print("  demo-linux %8.1f ms   ratio %.2f (target <= 1.15)" % (demo, demo / bare))
print("  CPU time of the process by then: bare %.1f ms, demo %.1f ms (ratio %.2f)" %
      (med(sb, "cpu1_ms"), med(sd, "cpu1_ms"), med(sd, "cpu1_ms") / med(sb, "cpu1_ms")))
print("  where the time goes (medians, ms):      bare    demo")
print("    exec to context current           %8.1f %8.1f" % (med(sb, "ctx"), med(sd, "ctx")))
load = [float(r["clear0"]) - float(r["ctx"]) for r in sd]
print("    context to first frame (loading)  %8.1f %8.1f" %
      (statistics.median(float(r["clear0"]) - float(r["ctx"]) for r in sb), statistics.median(load)))
print("    first frame (drawn, swapped)      %8.1f %8.1f" %
      (statistics.median(float(r["swap1"]) - float(r["clear0"]) for r in sb),
       statistics.median(float(r["swap1"]) - float(r["clear0"]) for r in sd)))
print("  the demo's loading, split (medians, ms):")
print("    zlib inflate (%s calls)              %8.1f" % (sd[0]["inflates"], med(sd, "inflate_ms")))
print("    texture upload (glTexImage2D)        %8.1f" % med(sd, "upload_ms"))
print("    sound start (after the last upload)  %8.1f" % med(sd, "sound"))
# Per texture: the time from the previous upload's end (or the context) to
# this upload's start is that image's loading: PNG decoding and conversion,
# plus the mesh and font loads that come before some of them.
names = ["slkscr.png", "cheese.oia+cheese.png", "UFO-0.oia+ufo.png", "carpet.png", "quon.png",
         "scroller.txt+blippo.png", "raster.png", "raster-green.png", "raster-blue.png"]
per = {}
for r in sd:
    prev = float(r["ctx"])
    for i, item in enumerate(r["tex"].split(",")):
        a, b, size = item.split(":")
        per.setdefault(i, ([], [], size))
        per[i][0].append(float(a) - prev)
        per[i][1].append(float(b) - float(a))
        prev = float(b)
print("    per texture, load before upload / upload:")
for i in sorted(per):
    name = names[i] if i < len(names) else "#%d" % i
    print("      %-26s %9s %7.1f / %6.1f" % (name, per[i][2], statistics.median(per[i][0]),
                                           statistics.median(per[i][1])))
other = statistics.median(load) - med(sd, "inflate_ms") - med(sd, "upload_ms") - med(sd, "sound")
print("    decoding and loading but inflate (rest) %6.1f" % other)
if profile and os.path.exists(os.path.join(profile, "start-demo.dso")):
    for kind in ("bare", "demo"):
        print("  CPU samples of one %s start-up, by object (perf, cpu-clock):" % kind)
        for line in open(os.path.join(profile, "start-%s.dso" % kind)):
            print("    " + line.rstrip())

fb, fd = records("frames-bare"), records("frames-demo")
print("\n== frames: %s frames after %s warm-up frames (median of %d runs)" %
      (sys.argv[3], sys.argv[4], len(fd)))
print("  bare clear+finish+swap %8.1f fps  %6.2f ms CPU/frame" % (med(fb, "fps"), med(fb, "cpu_ms_per_frame")))
print("  demo-linux             %8.1f fps  %6.2f ms CPU/frame" % (med(fd, "fps"), med(fd, "cpu_ms_per_frame")))
if profile:
    print("  CPU samples of the demo over the frames, by object (perf, cpu-clock):")
    for line in open(os.path.join(profile, "dso")):
        print("    " + line.rstrip())
    # The program's own code is the demo-linux object: on the main thread the
    # frame (demo, scene, library), on the other thread the sound layer.
    own = {}
    for line in open(os.path.join(profile, "piddso")):
        f = line.split()
        if len(f) >= 3 and f[-1] == "demo-linux":
            own[int(f[1].split(":")[0])] = float(f[0].rstrip("%"))
    main = min(own) if own else None
    print("  own code (the demo-linux object): %.2f %% of the samples on the main thread"
          " (frame: demo, scene, library), %.2f %% on the other threads (sound layer);"
          " target for the frame <= 1 %%" % (own.get(main, 0.0), sum(v for k, v in own.items() if k != main)))
    print("  the demo-linux object by thread and function:")
    for line in open(os.path.join(profile, "sym")):
        print("    " + line.rstrip())
else:
    print("  (perf cannot sample here: no profile)")

print("\n== memory")
print("  peak resident (VmHWM)       bare %7.0f KiB   demo %7.0f KiB" % (med(sb, "hwm_kb"), med(sd, "hwm_kb")))
print("  heap in use, first frame    bare %7.0f KiB   demo %7.0f KiB" % (med(sb, "heap1_kb"), med(sd, "heap1_kb")))
print("  heap in use, after frames   bare %7.0f KiB   demo %7.0f KiB" % (med(fb, "heap_kb"), med(fd, "heap_kb")))
print("  peak resident after frames  bare %7.0f KiB   demo %7.0f KiB" % (med(fb, "hwm_kb"), med(fd, "hwm_kb")))
print("  heap blocks >= 64 KiB alive at the first frame (object:count:KiB):")
print("    bare: %s" % sb[0]["big_live"])
print("    demo: %s" % sd[0]["big_live"])
print("  largest such block ever (KiB:object): bare %s, demo %s" % (sb[0]["big_max"], sd[0]["big_max"]))
print("  the most that the program's own such blocks held at one time: bare %s KiB, demo %s KiB" %
      (sb[0]["own_peak_kb"], sd[0]["own_peak_kb"]))
EOF

if [ "${SKIP_BENCH:-0}" != 1 ]; then
  echo
  echo "== sound mixer (fsound_bench)"
  "$BUILD/bench/fsound_bench"
  echo
  echo "== PNG decoding (png_bench)"
  "$BUILD/bench/png_bench" --data "$ROOT/data"
fi

if [ "${SKIP_CAPTURE:-0}" != 1 ]; then
  echo
  BUILD=$BUILD "$ROOT/bench/capture.sh"
fi
