#!/usr/bin/env bash
# Builds demo-linux (if needed) and runs it from the repository root.
# With a display it runs until you press q, Q, Escape or Ctrl+C, or close the
# window. Without one (no DISPLAY) it runs for about five seconds on a private
# Xvfb server, saves a screenshot to out/screenshot.png and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-$ROOT/build}

[ -n "${QUON_RUN_DEMO_ON_XVFB:-}" ] || "$ROOT/scripts/deps.sh"
SECONDS_TO_RUN=${SECONDS_TO_RUN:-5}

if [ -z "${QUON_RUN_DEMO_ON_XVFB:-}" ]; then
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$BUILD" --target demo-linux -j "$(nproc)"
fi
DEMO=$BUILD/src/demo-linux

if [ -n "${DISPLAY:-}" ] && [ -z "${QUON_RUN_DEMO_ON_XVFB:-}" ]; then
  exec "$DEMO"
fi

if [ -z "${QUON_RUN_DEMO_ON_XVFB:-}" ]; then
  for tool in Xvfb import; do
    command -v "$tool" >/dev/null || { echo "run-demo: $tool is needed without a display" >&2; exit 1; }
  done
  # Again, on a private Xvfb (scripts/xvfb.sh sets DISPLAY).
  QUON_RUN_DEMO_ON_XVFB=1 exec "$ROOT/scripts/xvfb.sh" "$ROOT/scripts/run-demo.sh" "$@"
fi
demo=
cleanup() { [ -n "$demo" ] && kill "$demo" 2>/dev/null; }
trap cleanup EXIT

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
