#!/usr/bin/env bash
# wine_sound_run.sh EXE RAW SECONDS: runs demo-win32.exe under Wine in a
# private Xvfb (1024x768) for SECONDS, with Wine's ALSA driver enabled and a
# private ALSA configuration (ALSA_CONFIG_PATH; the system's is not read)
# whose default PCM is ALSA's file plugin in front of a null PCM: every frame
# that Wine writes lands in RAW (16-bit stereo). Then Escape; the status is
# the program's (77: no Wine).
set -u
EXE=$1 RAW=$2 SECONDS_=$3
[ -f "$EXE" ] && [ -x /usr/lib/wine/wine64 ] || { echo "SKIP: no $EXE or no Wine"; exit 77; }
WORK=$(mktemp -d)
XVFB_PID=; DEMO_PID=
trap 'kill $DEMO_PID $XVFB_PID 2>/dev/null; WINEPREFIX=$WORK/prefix wineserver -k 2>/dev/null; rm -rf "$WORK"' EXIT
for n in $(seq 140 199); do [ -e /tmp/.X$n-lock ] || { DNUM=$n; break; }; done
Xvfb :$DNUM -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=:$DNUM
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
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
sleep "$SECONDS_"
kill -0 $DEMO_PID 2>/dev/null || { echo "FAIL: the demo ended early"; cat "$WORK/out.txt"; exit 1; }
xdotool keydown Escape; sleep 0.5; xdotool keyup Escape
for _ in $(seq 300); do kill -0 $DEMO_PID 2>/dev/null || break; sleep 0.1; done
wait $DEMO_PID
rc=$?
DEMO_PID=
cat "$WORK/out.txt"
exit $rc
