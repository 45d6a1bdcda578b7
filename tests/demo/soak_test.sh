#!/usr/bin/env bash
# soak_test.sh: FRAMES frames (default 200000) of the whole demo on the
# display in $DISPLAY (see xvfb.sh), under the preloaded frameclock
# library at 1 ms of demo time per frame (200 s: the music loops through
# nextMus many times), with the null sound output. It must end with status 0
# after every frame; its resident memory must stay flat after the first
# frames (at most SOAK_GROWTH_KB, default 1024, above the reading at frame
# 10000, up to the frames captured at the end; Mesa and the demo settle in
# the first 7000 or so); and in its last frames the scroller and the raster bars must still
# move (soak_motion.py). Prints the figures. Takes minutes: runs only when
# QUON_SLOW=1 is set, otherwise reports itself skipped.
# Environment: DEMO, FRAMECLOCK, SOURCE_DIR, FRAMES, SOAK_GROWTH_KB, SOAK_LOG
# (keep the "frame kB" readings there). (No timeout
# of its own: the demo must be the process whose memory is read; ctest has one.)
set -u
[ "${QUON_SLOW:-0}" = 1 ] || { echo "skipped: a run of minutes; set QUON_SLOW=1"; exit 77; }
FRAMES=${FRAMES:-200000}
GROWTH=${SOAK_GROWTH_KB:-1024}
HERE=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL (soak): $*"; [ -f "$work/out" ] && { echo "-- demo output:"; tail -n 20 "$work/out"; }; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"

a=$((FRAMES - 100)) b=$((FRAMES - 50))
start=$(date +%s)
(cd "$SOURCE_DIR" && exec env FSOUND_OUTPUT=null LD_PRELOAD="$FRAMECLOCK" FRAMECLOCK_DIR="$work" \
  FRAMECLOCK_STEP_US=1000 FRAMECLOCK_FRAMES=$a,$b FRAMECLOCK_QUIT=$((FRAMES - 1)) \
  "$DEMO") >"$work/out" 2>&1 &
pid=$!
# "frame kB" about once a second.
while kill -0 $pid 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ {print $2}' /proc/$pid/status 2>/dev/null)
  frame=$(tail -n 1 "$work/frames.log" 2>/dev/null | cut -d' ' -f1)
  [ -n "$rss" ] && [ -n "$frame" ] && echo "$frame $rss" >>"$work/rss"
  sleep 1
done
wait $pid
rc=$?
seconds=$(($(date +%s) - start))
[ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
drawn=$(wc -l <"$work/frames.log")
[ "$drawn" -ge "$FRAMES" ] && [ "$drawn" -le $((FRAMES + 5)) ] || fail "$drawn frames swapped, expected $FRAMES"
grep -qE "runtime error|AddressSanitizer|X Error" "$work/out" && fail "errors in the output"

[ -n "${SOAK_LOG:-}" ] && cp "$work/rss" "$SOAK_LOG"
# Up to the captures at the end (their pixel buffers are the library's).
read -r base_frame base last_frame last max < <(awk -v a=$a '$1 >= 10000 && $1 < a && !b {bf = $1; b = $2}
  b && $1 < a {lf = $1; l = $2; if ($2 > m) m = $2} END {print bf, b, lf, l, m}' "$work/rss")
[ -n "$base" ] || fail "no memory reading after frame 10000"
echo "soak: $drawn frames in $seconds s ($((drawn / (seconds > 0 ? seconds : 1))) frames/s)"
echo "soak: resident $base kB at frame $base_frame, $last kB at frame $last_frame, at most $max kB:" \
  "growth $((last - base)) kB (peak $((max - base)) kB) over $((last_frame - base_frame)) frames"
[ $((max - base)) -le "$GROWTH" ] || fail "resident memory grew by $((max - base)) kB (limit $GROWTH kB)"
/usr/bin/python3 "$HERE/soak_motion.py" "$work/frame-$a-final.png" "$work/frame-$b-final.png" ||
  fail "frames $a and $b"
echo "ok: soak ($drawn frames)"
