#!/usr/bin/env bash
# demo_window_test.sh CASE
# Runs demo-linux on the display in $DISPLAY (see xvfb.sh) from the
# repository root and checks its window and event handling. Environment:
#   DEMO        the demo-linux program
#   FRAMECLOCK  the preloaded test library (frame log, resize, quit)
#   XCLIENT     the demo_xclient helper
#   SOURCE_DIR  the repository root
#   BUILD       the build folder (case run-demo)
# Cases: window, key:NAME (an xdotool key name), delete, destroy, resize,
# resize-next-frame, glx-create, glx-makecurrent, nodisplay, noglx (on a
# server without GLX), and run-demo (scripts/run-demo.sh, without a display).
set -u
case_=$1
TITLE="quon-lib GLX Test"
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$work/out" ] && { echo "-- demo output:"; cat "$work/out"; }
  [ -f "$work/err" ] && { echo "-- demo standard error:"; cat "$work/err"; }
  exit 1
}

# Sanitizer builds: ASan's runtime must otherwise come first in the library
# list (gcc builds); no leak check of the whole program, whose records live to
# the end by design and whose GL driver is unloaded before the check.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"

# Each wait gives up after PATIENCE seconds, enough for a sanitizer build on a
# loaded machine, and ends as soon as what it waits for is there; a demo that
# outlives twice that is stopped.
PATIENCE=150

start() {  # start [ENV=VALUE...]: the demo in the background, its window id in $wid
  (cd "$SOURCE_DIR" && exec env FSOUND_OUTPUT=null "$@" timeout $((2 * PATIENCE)) "$DEMO") >"$work/out" 2>&1 &
  pid=$!
  wid=$(timeout "$PATIENCE" xdotool search --sync --onlyvisible --name "^${TITLE}\$" | head -n1)
  [ -n "$wid" ] || fail "no window titled \"$TITLE\" appeared"
}
looping() {  # looping: wait until the frame loop runs (it registers the delete protocol)
  local i
  for i in $(seq $((PATIENCE * 10))); do
    xprop -id "$wid" WM_PROTOCOLS 2>/dev/null | grep -q WM_DELETE_WINDOW && return 0
    sleep 0.1
  done
  fail "WM_PROTOCOLS lacks WM_DELETE_WINDOW"
}
no_x_errors() { cat "$work/out" "$work/err" 2>/dev/null | grep -q "X Error" && fail "X errors"; return 0; }
alive() { kill -0 "$pid" 2>/dev/null; }
finish() {  # finish: wait for the demo to end and expect status 0
  local i
  for i in $(seq $((PATIENCE * 10))); do alive || break; sleep 0.1; done
  alive && fail "the demo is still running"
  wait "$pid"; local rc=$?
  pid=
  [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
}
still_running() {  # still_running WHAT: let a few frames pass, expect the demo alive
  sleep 1
  alive || fail "the demo ended after $1"
}
run_fixed() {  # run_fixed [ENV=VALUE...]: a short run on the fixed clock, status in $rc,
  # standard output in $work/out, standard error in $work/err
  (cd "$SOURCE_DIR" && exec env FSOUND_OUTPUT=null LD_PRELOAD="$FRAMECLOCK" FRAMECLOCK_DIR="$work" \
    FRAMECLOCK_STEP_US=20000 FRAMECLOCK_QUIT=30 "$@" timeout $((2 * PATIENCE)) "$DEMO") >"$work/out" 2>"$work/err"
  rc=$?
}
viewport_of() {  # viewport_of FRAME: "W H" of that frame's viewport in frames.log
  awk -v f="$1" '$1 == f { print $4, $5 }' "$work/frames.log"
}

case "$case_" in
window)
  start
  info=$(xwininfo -id "$wid") || fail "xwininfo"
  grep -q "Width: 1024$" <<<"$info" && grep -q "Height: 768$" <<<"$info" ||
    fail "window size: $info"
  grep -q "Absolute upper-left X:  0$" <<<"$info" && grep -q "Absolute upper-left Y:  0$" <<<"$info" ||
    fail "window position: $info"
  props=$(xprop -id "$wid") || fail "xprop"
  grep -qx "WM_NAME(STRING) = \"$TITLE\"" <<<"$props" || fail "WM_NAME: $props"
  grep -qx "WM_ICON_NAME(STRING) = \"$TITLE\"" <<<"$props" || fail "WM_ICON_NAME: $props"
  grep -q "user specified size: 1024 by 768" <<<"$props" || fail "size hints: $props"
  grep -q "Client accepts input or input focus: True" <<<"$props" || fail "WM hints: $props"
  looping
  xdotool key --window "$wid" Escape
  finish
  no_x_errors
  ;;
key:*)
  key=${case_#key:}
  start
  xdotool windowfocus --sync "$wid"
  # Keys without a character and other characters are ignored.
  xdotool key Left Shift_L a x ctrl+d
  still_running "keys that must be ignored"
  xdotool key "$key"
  finish
  ;;
delete)
  start
  "$XCLIENT" takefocus "$wid" || fail "demo_xclient takefocus"
  "$XCLIENT" otheratom "$wid" || fail "demo_xclient otheratom"
  still_running "a client message that is not WM_DELETE_WINDOW"
  "$XCLIENT" delete "$wid" || fail "demo_xclient delete"
  finish
  ;;
destroy)
  # Destroyed by another client right after frame 5 is swapped: the loop ends
  # on the DestroyNotify before it draws again, clean-up does not destroy the
  # window a second time, and no X error ends the program.
  run_fixed FRAMECLOCK_DESTROY=5
  [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
  no_x_errors
  [ "$(tail -n1 "$work/frames.log" | awk '{ print $1 }')" = 5 ] ||
    fail "frames after the destruction: $(tail -n1 "$work/frames.log")"
  ;;
glx-create|glx-makecurrent)
  # The context cannot be made (or made current): one line on standard error
  # naming the program, nothing on standard output, status 1.
  if [ "$case_" = glx-create ]; then
    what="can't open GLX context."
  else
    what="can't set GL context."
  fi
  run_fixed FRAMECLOCK_FAIL=${case_#glx-}
  [ "$rc" -eq 1 ] || fail "exit status $rc, expected 1"
  [ "$(cat "$work/err")" = "$DEMO: $what" ] || fail "standard error: $(cat "$work/err")"
  [ -s "$work/out" ] && fail "unexpected standard output"
  ;;
noglx)
  # A server without GLX (xvfb.sh --no-glx): no visual, status 1, not a word.
  (cd "$SOURCE_DIR" && exec env FSOUND_OUTPUT=null timeout "$PATIENCE" "$DEMO") >"$work/out" 2>&1
  rc=$?
  [ "$rc" -eq 1 ] || fail "exit status $rc, expected 1"
  [ -s "$work/out" ] && fail "unexpected output"
  ;;
resize)
  # A size change made from outside reaches the viewport.
  start LD_PRELOAD="$FRAMECLOCK" FRAMECLOCK_DIR="$work"
  xdotool windowsize "$wid" 640 480
  for i in $(seq $((PATIENCE * 10))); do
    [ "$(tail -n1 "$work/frames.log" | awk '{ print $4, $5 }')" = "640 480" ] && break
    sleep 0.1
  done
  [ "$(tail -n1 "$work/frames.log" | awk '{ print $4, $5 }')" = "640 480" ] ||
    fail "viewport after resize: $(tail -n1 "$work/frames.log")"
  # A move alone leaves the size as it is.
  xdotool windowmove "$wid" 30 20
  still_running "a move"
  [ "$(tail -n1 "$work/frames.log" | awk '{ print $4, $5 }')" = "640 480" ] ||
    fail "viewport after move: $(tail -n1 "$work/frames.log")"
  xdotool key --window "$wid" q
  finish
  ;;
resize-next-frame)
  # The resize is made right after frame 5 is swapped; frame 6 already has
  # the new viewport, frame 5 and those before it the old one. The run is
  # short, so it is not watched from outside.
  run_fixed FRAMECLOCK_RESIZE=5:800x500 FRAMECLOCK_QUIT=8
  [ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
  for f in 0 5; do
    [ "$(viewport_of $f)" = "1024 768" ] || fail "frame $f viewport: $(viewport_of $f)"
  done
  [ "$(viewport_of 6)" = "800 500" ] || fail "frame 6 viewport: $(viewport_of 6)"
  ;;
nodisplay)
  # No X server: status 255 and not a word.
  for d in unset ":9999"; do
    if [ "$d" = unset ]; then
      (cd "$SOURCE_DIR" && exec env -u DISPLAY timeout "$PATIENCE" "$DEMO") >"$work/out" 2>&1
    else
      (cd "$SOURCE_DIR" && exec env DISPLAY="$d" timeout "$PATIENCE" "$DEMO") >"$work/out" 2>&1
    fi
    rc=$?
    [ "$rc" -eq 255 ] || fail "DISPLAY $d: exit status $rc, expected 255"
    [ -s "$work/out" ] && fail "DISPLAY $d: unexpected output"
  done
  ;;
run-demo)
  # The front door end to end with no display, against this build (its build
  # step is a no-op): status 0, the last line names the screenshot, and the
  # screenshot is a frame of the whole scene (the UFO too: it runs from the root).
  env -u DISPLAY FSOUND_OUTPUT=null BUILD="$BUILD" SCREENSHOT="$work/shot.png" \
    "$SOURCE_DIR/scripts/run-demo.sh" >"$work/out" 2>&1
  rc=$?
  [ "$rc" -eq 0 ] || fail "run-demo.sh: exit status $rc, expected 0"
  [ "$(tail -n1 "$work/out")" = "run-demo: screenshot saved to $work/shot.png" ] ||
    fail "run-demo.sh's last line: $(tail -n1 "$work/out")"
  /usr/bin/python3 "$SOURCE_DIR/tests/windows/check_frame.py" "$work/shot.png" ||
    fail "the screenshot is not a frame of the scene"
  ;;
*)
  echo "unknown case $case_"; exit 2 ;;
esac
echo "ok: $case_"
