#!/usr/bin/env bash
# Builds demo-linux (if needed) and runs it from the repository root.
# With a display it runs until you press q, Q, Escape or Ctrl+C, or close the
# window. Without one (no DISPLAY) it runs for about five seconds on a private
# Xvfb server, saves a screenshot and says where.
# Environment: BUILD (the build folder, default build/; a new one is configured
# for the demo alone), SCREENSHOT (default out/screenshot.png), SECONDS_TO_RUN (5).
# Exit status 0 once the demo has run (or the screenshot is saved); otherwise
# non-zero, with a line saying what went wrong.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m -- "${BUILD:-$ROOT/build}")
SCREENSHOT=$(realpath -m -- "${SCREENSHOT:-$ROOT/out/screenshot.png}")
cd "$ROOT"
SECONDS_TO_RUN=${SECONDS_TO_RUN:-5}
DEMO=$BUILD/src/demo-linux
die() { echo "run-demo: $*" >&2; exit 1; }

if [ -z "${QUON_RUN_DEMO_ON_XVFB:-}" ]; then
  # Building and running; without a display also Xvfb and the screenshot tools.
  # When nothing is missing this needs neither root nor apt; where nothing can
  # say what is installed (no dpkg-query) the build below finds out.
  groups=(run)
  [ -n "${DISPLAY:-}" ] || groups+=(headless)
  rc=0
  "$ROOT/scripts/deps.sh" "${groups[@]}" || rc=$?
  case $rc in
  0) ;;
  3) echo "run-demo: going on; the build says what is missing" >&2 ;;
  *) die "the packages it needs are missing (scripts/deps.sh ${groups[*]})" ;;
  esac
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUON_TESTS=OFF -DQUON_BENCH=OFF -DQUON_CAPTURE=OFF || die "configuring $BUILD failed"
  fi
  cmake --build "$BUILD" --target demo-linux -j "$(nproc)" || die "building demo-linux failed"

  if [ -n "${DISPLAY:-}" ]; then
    rc=0
    "$DEMO" || rc=$?
    [ "$rc" -eq 0 ] || die "demo-linux ended with status $rc (display $DISPLAY)"
    exit 0
  fi
  command -v Xvfb >/dev/null || die "Xvfb is needed without a display (scripts/deps.sh headless)"
  command -v import >/dev/null || die "import (ImageMagick) is needed without a display (deps.sh headless)"
  # Again, on a private Xvfb (scripts/xvfb.sh sets DISPLAY).
  QUON_RUN_DEMO_ON_XVFB=1 exec "$ROOT/scripts/xvfb.sh" "$ROOT/scripts/run-demo.sh" "$@"
fi

demo=
cleanup() {
  if [ -n "$demo" ]; then kill "$demo" 2>/dev/null || true; fi
}
trap cleanup EXIT

echo "run-demo: no display, running on Xvfb $DISPLAY for $SECONDS_TO_RUN s"
"$DEMO" &
demo=$!
sleep "$SECONDS_TO_RUN"
if ! kill -0 "$demo" 2>/dev/null; then
  rc=0
  wait "$demo" || rc=$?
  demo=
  die "the demo ended early (status $rc)"
fi
mkdir -p "$(dirname "$SCREENSHOT")"
import -window root "$SCREENSHOT" || die "could not save the screenshot to $SCREENSHOT"
# End it the way a user would.
if command -v xdotool >/dev/null; then
  xdotool key q || true
  for _ in $(seq 50); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
fi
kill "$demo" 2>/dev/null || true
wait "$demo" 2>/dev/null || true
demo=
echo "run-demo: screenshot saved to $SCREENSHOT"
