#!/usr/bin/env bash
# Runs demo-win32.exe under Wine on the display in $DISPLAY (a private Xvfb from
# xvfb.sh, of the screen size the mode needs).
#   wine_demo_test.sh EXE run    - 1024x768 screen: the scene shows, no message box, Escape ends it (0)
#   wine_demo_test.sh EXE badmode - 800x600 screen: exactly one message box, "Display Error"; once
#                                   it is dismissed the program ends by itself with status 0
# Each wait gives up after PATIENCE seconds (150), enough for a loaded machine, and
# ends as soon as what it waits for is there.
set -u
PATIENCE=${PATIENCE:-150}
EXE=$1
MODE=$2
[ -f "$EXE" ] || { echo "SKIP: $EXE not built"; exit 77; }
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
DEMO_PID=
trap 'kill $DEMO_PID 2>/dev/null; WINEPREFIX=$WORK/prefix wineserver -k 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

case $MODE in
  run) GEOM=1024x768 ;;
  badmode) GEOM=800x600 ;;
  *) fail "unknown mode $MODE" ;;
esac
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb.sh)"
xdpyinfo | grep -q "dimensions: *$GEOM pixels" || fail "mode $MODE needs a $GEOM screen"
BOXES="Display Error|Pixel Format Error|OpenGL Rendering Context Error|Device Context Error|Window Reg Error"

export WINEPREFIX=$WORK/prefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all
export WINEDLLOVERRIDES="winealsa.drv,winepulse.drv=d;mscoree,mshtml="
export WINEARCH=win64
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || fail "wineboot"
cp "$EXE" "$WORK/demo-win32.exe"

cd "$WORK"
/usr/lib/wine/wine64 "$WORK/demo-win32.exe" >"$WORK/out.txt" 2>&1 &
DEMO_PID=$!

wait_exit() {  # wait_exit SECONDS -> sets RC, or fails
  for _ in $(seq $(($1 * 10))); do
    if ! kill -0 $DEMO_PID 2>/dev/null; then wait $DEMO_PID; RC=$?; return 0; fi
    sleep 0.1
  done
  return 1
}

if [ "$MODE" = run ]; then
  # Wait for the window, then give the demo a few seconds of frames.
  timeout "$PATIENCE" xdotool search --sync --onlyvisible --name "^quon-lib GLX Test\$" \
    >/dev/null 2>&1 || fail "no window within $PATIENCE s: $(cat "$WORK/out.txt")"
  sleep 6
  kill -0 $DEMO_PID 2>/dev/null || fail "demo ended early"
  xdotool search --name "^($BOXES)\$" >/dev/null 2>&1 && fail "a message box appeared"
  import -window root "$WORK/shot.png" || fail "screenshot"
  [ -n "${QUON_SHOT_OUT:-}" ] && cp "$WORK/shot.png" "$QUON_SHOT_OUT"
  /usr/bin/python3 "$HERE/check_frame.py" "$WORK/shot.png" || fail "frame check"
  # Hold Escape long enough to be seen between two polls.
  xdotool keydown Escape; sleep 0.5; xdotool keyup Escape
  wait_exit "$PATIENCE" || fail "Escape did not end the demo"
  [ "$RC" -eq 0 ] || fail "exit status $RC after Escape"
  echo "PASS: scene shown, no message box, Escape ends with status 0"
else
  for _ in $(seq $((PATIENCE * 10))); do
    xdotool search --name "^Display Error\$" >/dev/null 2>&1 && break
    sleep 0.1
  done
  BOX=$(xdotool search --name "^Display Error\$" 2>/dev/null)
  [ -n "$BOX" ] || fail "no 'Display Error' box"
  [ "$(wc -w <<<"$BOX")" -eq 1 ] || fail "more than one 'Display Error' box: $BOX"
  # The box holds the text of the failure; dismiss it once with its default
  # button. From then on nothing is sent: the program must end by itself, and
  # no other box may appear on the way.
  xdotool windowactivate --sync "$BOX" 2>/dev/null; xdotool key --window "$BOX" Return
  for _ in $(seq $((PATIENCE * 10))); do
    kill -0 $DEMO_PID 2>/dev/null || break
    for w in $(xdotool search --name "^($BOXES)\$" 2>/dev/null); do
      [ "$w" = "$BOX" ] || fail "a second message box: $(xdotool getwindowname "$w")"
    done
    sleep 0.1
  done
  wait_exit 1 || fail "the program did not end by itself after the box"
  [ "$RC" -eq 0 ] || fail "exit status $RC, expected 0"
  echo "PASS: one 'Display Error' box; the program ended by itself with status 0"
fi
