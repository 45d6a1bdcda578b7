#!/usr/bin/env bash
# launcher_test.sh LAUNCHER
# The launcher quon, copied into the layouts it knows, with a stand-in for
# demo-linux that reports the folder it was started in and its arguments. Each case starts it from / (or through a link elsewhere) and
# expects the stand-in to run in the folder that holds data/:
#   unpacked    DIR/quon, DIR/demo-linux, DIR/data/          -> DIR
#   installed   P/bin/quon, P/libexec/quon/demo-linux,
#               P/share/quon/data/                           -> P/share/quon
#   link        a symbolic link to an unpacked launcher, started elsewhere -> DIR
#   no-data     installed without P/share/quon: a message, the stand-in still runs
#   no-program  installed without demo-linux: status 127 and a message
set -u
LAUNCHER=$1
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
fail=0
standin() {  # standin PATH: a demo-linux that prints "cwd|args"
  mkdir -p "$(dirname "$1")"
  printf '#!/bin/sh\necho "$(pwd)|$*"\n' >"$1"
  chmod 755 "$1"
}
expect() {  # expect NAME WANT GOT
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: want '$2', got '$3'"; fail=1; fi
}

U=$T/unpacked
install -D -m 755 "$LAUNCHER" "$U/quon"
standin "$U/demo-linux"
mkdir -p "$U/data"
got=$(cd / && "$U/quon" one "two words")
expect unpacked "$U|one two words" "$got"

P=$T/prefix
install -D -m 755 "$LAUNCHER" "$P/bin/quon"
standin "$P/libexec/quon/demo-linux"
mkdir -p "$P/share/quon/data"
got=$(cd / && PATH=$P/bin:$PATH quon)
expect installed "$P/share/quon|" "$got"

mkdir -p "$T/elsewhere"
ln -s "$U/quon" "$T/elsewhere/quon"
got=$(cd / && "$T/elsewhere/quon")
expect link "$U|" "$got"

rm -rf "$P/share/quon"
got=$(cd / && "$P/bin/quon" 2>"$T/err")
expect no-data "/|" "$got"
grep -q "quon: cannot enter $P/bin/../share/quon" "$T/err" ||
  { echo "FAIL no-data: no message ($(cat "$T/err"))"; fail=1; }

rm "$P/libexec/quon/demo-linux"
(cd / && "$P/bin/quon" 2>"$T/err" >/dev/null)
expect "no-program status" 127 $?
grep -q "quon: cannot start $P/bin/../libexec/quon/demo-linux" "$T/err" ||
  { echo "FAIL no-program: no message ($(cat "$T/err"))"; fail=1; }
exit $fail
