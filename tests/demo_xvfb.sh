#!/usr/bin/env bash
# demo_xvfb.sh COMMAND [ARGS...]
# Runs COMMAND with DISPLAY set to a private Xvfb server (1024x768x24) that
# is started for it and stopped afterwards. The server picks a free display
# number itself. Exit status: COMMAND's, or 77 (skip) without Xvfb.
set -u
command -v Xvfb >/dev/null || { echo "Xvfb not installed"; exit 77; }

tmp=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
mkfifo "$tmp/fd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/fd" \
  >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 num <"$tmp/fd" || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=":$num"
"$@"
