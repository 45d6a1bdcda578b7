#!/usr/bin/env bash
# Builds demo-linux (if needed) and runs it from the repository root.
# With a display it runs until you press q, Q, Escape or Ctrl+C, or close the
# window. Without one (no DISPLAY) it runs for about five seconds on a private
# Xvfb server, saves a screenshot to out/screenshot.png and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-$ROOT/build}

"$ROOT/scripts/deps.sh"
SECONDS_TO_RUN=${SECONDS_TO_RUN:-5}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --target demo-linux -j "$(nproc)"
DEMO=$BUILD/src/demo-linux

if [ -n "${DISPLAY:-}" ]; then
  exec "$DEMO"
fi

for tool in Xvfb import; do
  command -v "$tool" >/dev/null || { echo "run-demo: $tool is needed without a display" >&2; exit 1; }
done
tmp=$(mktemp -d)
xvfb=
demo=
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
mkfifo "$tmp/fd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/fd" >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 num <"$tmp/fd" || { echo "run-demo: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$num"

echo "run-demo: no display, running on Xvfb $DISPLAY for $SECONDS_TO_RUN s"
"$DEMO" &
demo=$!
sleep "$SECONDS_TO_RUN"
kill -0 "$demo" 2>/dev/null || { wait "$demo"; echo "run-demo: the demo ended early (status $?)" >&2; exit 1; }
mkdir -p "$ROOT/out"
import -window root "$ROOT/out/screenshot.png"
# End it the way a user would.
if command -v xdotool >/dev/null; then
  xdotool key q
  for _ in $(seq 50); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
fi
kill "$demo" 2>/dev/null || true
wait "$demo" 2>/dev/null || true
demo=
echo "run-demo: screenshot saved to $ROOT/out/screenshot.png"
