#!/usr/bin/env bash
# xvfb.sh [--screen WxHxD] [--no-glx] COMMAND [ARGS...]
# Runs COMMAND with DISPLAY set to a private Xvfb server that is started for
# it and stopped afterwards; the server picks a free display number itself.
# The one way the tests, scripts/run-demo.sh and bench/perf.sh get a server.
#   --screen WxHxD  the screen (default 1024x768x24)
#   --no-glx        a server without the GLX extension
# Exit status: COMMAND's, or 77 (skip) without Xvfb.
set -u
screen=1024x768x24
extra=()
while [ $# -gt 0 ]; do
  case $1 in
  --screen) screen=$2; shift 2 ;;
  --no-glx) extra+=(-extension GLX); shift ;;
  *) break ;;
  esac
done
command -v Xvfb >/dev/null || { echo "Xvfb not installed"; exit 77; }

tmp=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
mkfifo "$tmp/fd"
Xvfb -displayfd 3 -screen 0 "$screen" "${extra[@]}" -nolisten tcp -noreset 3>"$tmp/fd" \
  >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 60 num <"$tmp/fd" || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=":$num"
"$@"
