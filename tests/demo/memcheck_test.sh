#!/usr/bin/env bash
# memcheck_test.sh [memcheck|sanitized]
# The whole demo for FRAMES frames (default 300) on the display in $DISPLAY
# (see xvfb.sh), ended by the q key that the preloaded frameclock library
# sends after the last frame; it must end with status 0 and:
#   memcheck   (default) under Valgrind memcheck: no error left after the
#              suppressions in tests/support/valgrind.supp, which hide only what lies
#              inside Mesa, X and ALSA. Takes minutes: runs only when
#              QUON_SLOW=1 is set, otherwise reports itself skipped.
#   sanitized  a build with AddressSanitizer and UndefinedBehaviorSanitizer,
#              run as it is: no report of either.
# Environment: DEMO, FRAMECLOCK, SOURCE_DIR (the repository root, where the
# demo runs so that it finds "data/ufo.png" and "data/UFO-0.oia"), FRAMES,
# MEMCHECK_LOG (keep Valgrind's log there).
set -u
mode=${1:-memcheck}
FRAMES=${FRAMES:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL ($mode): $*"; [ -f "$work/log" ] && { echo "-- log:"; tail -n 80 "$work/log"; }; exit 1; }

run=(env FSOUND_OUTPUT=null LD_PRELOAD="$FRAMECLOCK" FRAMECLOCK_DIR="$work"
     FRAMECLOCK_QUIT=$((FRAMES - 1)))
case "$mode" in
memcheck)
  [ "${QUON_SLOW:-0}" = 1 ] || { echo "skipped: a run of minutes; set QUON_SLOW=1"; exit 77; }
  command -v valgrind >/dev/null || { echo "valgrind not installed"; exit 77; }
  # Mesa's software renderer compiles its drawing code at run time: Valgrind
  # must watch the heap for new code.
  (cd "$SOURCE_DIR" && exec "${run[@]}" timeout 3000 valgrind --tool=memcheck \
    --smc-check=all-non-file --error-exitcode=99 --num-callers=40 --error-limit=no \
    --suppressions="$SOURCE_DIR/tests/support/valgrind.supp" --log-file="$work/log" "$DEMO") \
    >"$work/out" 2>&1
  rc=$?
  [ -n "${MEMCHECK_LOG:-}" ] && cp "$work/log" "$MEMCHECK_LOG"
  [ "$rc" -eq 99 ] && fail "memcheck found errors"
  [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
  grep -q "ERROR SUMMARY: 0 errors" "$work/log" || fail "no clean error summary"
  ;;
sanitized)
  # No leak check of the whole program (its records live to the end by
  # design); ASan's runtime need not come first in the library list.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1"
  (cd "$SOURCE_DIR" && exec "${run[@]}" timeout 600 "$DEMO") >"$work/log" 2>&1
  rc=$?
  [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
  grep -qE "runtime error|AddressSanitizer|LeakSanitizer" "$work/log" && fail "sanitizer reports"
  ;;
*)
  echo "unknown mode $mode"; exit 2 ;;
esac
drawn=$(wc -l <"$work/frames.log" 2>/dev/null || echo 0)
[ "$drawn" -ge "$FRAMES" ] || fail "$drawn frames swapped, expected $FRAMES"
echo "ok: $mode, $drawn frames"
