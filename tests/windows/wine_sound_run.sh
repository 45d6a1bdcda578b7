#!/usr/bin/env bash
# wine_sound_run.sh EXE RAW SECONDS: runs demo-win32.exe under Wine on the
# display in $DISPLAY (a private Xvfb from xvfb.sh, 1024x768) for SECONDS once
# its window is up, with Wine's ALSA driver enabled and a private ALSA
# configuration (ALSA_CONFIG_PATH; the system's is not read) whose default PCM
# is ALSA's file plugin in front of a null PCM: every frame that Wine writes
# lands in RAW (16-bit stereo). Then Escape; the status is the program's (77:
# no Wine). Each wait gives up after PATIENCE seconds (150), enough for a
# loaded machine, and ends as soon as what it waits for is there.
set -u
EXE=$1 RAW=$2 SECONDS_=$3
PATIENCE=${PATIENCE:-150}
[ -f "$EXE" ] && [ -x /usr/lib/wine/wine64 ] || { echo "SKIP: no $EXE or no Wine"; exit 77; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no DISPLAY (run under xvfb.sh)"; exit 1; }
WORK=$(mktemp -d)
DEMO_PID=
trap 'kill $DEMO_PID 2>/dev/null; WINEPREFIX=$WORK/prefix wineserver -k 2>/dev/null; rm -rf "$WORK"' EXIT
printf 'pcm.!default {\n type file\n file "%s"\n format raw\n slave.pcm { type null }\n}\n' "$RAW" >"$WORK/asound.conf"
export ALSA_CONFIG_PATH=$WORK/asound.conf
export WINEPREFIX=$WORK/prefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="winepulse.drv=d;mscoree,mshtml="
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot"; exit 1; }
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1 ||
  { echo "FAIL: cannot select Wine's ALSA driver"; exit 1; }
cp "$EXE" "$WORK/demo-win32.exe"
(cd "$WORK" && exec /usr/lib/wine/wine64 "$WORK/demo-win32.exe") >"$WORK/out.txt" 2>&1 &
DEMO_PID=$!
# Escape reaches the program only once its window is there.
timeout "$PATIENCE" xdotool search --sync --onlyvisible --name "^quon-lib GLX Test\$" >/dev/null 2>&1 ||
  { echo "FAIL: no window within $PATIENCE s"; cat "$WORK/out.txt"; exit 1; }
sleep "$SECONDS_"
kill -0 $DEMO_PID 2>/dev/null || { echo "FAIL: the demo ended early"; cat "$WORK/out.txt"; exit 1; }
xdotool keydown Escape; sleep 0.5; xdotool keyup Escape
for _ in $(seq $((PATIENCE * 10))); do kill -0 $DEMO_PID 2>/dev/null || break; sleep 0.1; done
kill -0 $DEMO_PID 2>/dev/null && { echo "FAIL: Escape did not end the demo within $PATIENCE s"; exit 1; }
wait $DEMO_PID
rc=$?
DEMO_PID=
cat "$WORK/out.txt"
exit $rc
