#!/usr/bin/env bash
# shim_test.sh: the timing library sees what perf.sh relies on, in a short
# run of each program on the display in $DISPLAY: the context, the first
# clear and swap in that order, the frame rate after a warm-up, the memory
# fields, and for the demo its nine texture uploads and its inflating.
# Environment: DEMO, BARE, LAUNCH, SHIM, SOURCE_DIR.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/rec" 2>/dev/null; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"

for prog in "$BARE" "$DEMO"; do
  (cd "$SOURCE_DIR" && exec env FSOUND_OUTPUT=null PERFSHIM_OUT="$work/rec" PERFSHIM_WARMUP=2 \
    PERFSHIM_STOP=6 LD_PRELOAD="$SHIM" timeout 120 "$LAUNCH" "$prog") >"$work/out" 2>&1 ||
    fail "$prog: status $?"
done
python3 - "$work/rec" <<'PY' || fail "records"
import sys
bare, demo = [dict(f.split("=", 1) for f in line.split()) for line in open(sys.argv[1])]
for name, r in (("bare", bare), ("demo", demo)):
    ctx, clear0, swap1 = float(r["ctx"]), float(r["clear0"]), float(r["swap1"])
    assert 0 < ctx <= clear0 <= swap1, (name, ctx, clear0, swap1)
    assert float(r["fps"]) > 0 and float(r["cpu_ms_per_frame"]) > 0, name
    assert int(r["hwm_kb"]) > 0 and int(r["heap1_kb"]) > 0, name
assert bare["tex"] == "-" and int(bare["inflates"]) == 0, bare
uploads = demo["tex"].split(",")
assert len(uploads) == 9, uploads
assert uploads[3].endswith(":1024x1024"), uploads  # the carpet
assert int(demo["inflates"]) >= 9 and float(demo["inflate_ms"]) > 0, demo
assert int(demo["own_peak_kb"]) >= 4096, demo       # the carpet's pixels, at least
print("ok: shim records of both programs")
PY
