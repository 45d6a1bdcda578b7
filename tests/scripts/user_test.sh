#!/usr/bin/env bash
# user_test.sh CASE
# scripts/deps.sh and scripts/run-demo.sh as root, as a user without sudo and as
# a user with sudo. Copies of the two scripts run in a scratch folder with
# stand-ins first on PATH: dpkg-query answers from a list of "installed"
# packages, apt-get writes down who ran it, with which arguments and with
# which DEBIAN_FRONTEND, and "installs" into that list; cmake and demo-linux
# write down that they ran. Nothing is installed for real.
#   root  as root: apt-get gets the packages, the non-interactive setting and
#         the configuration file options; without apt-get the missing packages
#         are named; without dpkg-query the needed ones
#   user  a user made with useradd, on a PATH without sudo or apt-get: every
#         package there, deps.sh succeeds (the real dpkg-query too); one
#         missing, it names it and the install command and stops; run-demo.sh
#         with a display needs only the `run` group, without one also `headless`
#   sudo  the user, with Debian's sudo and a sudoers file of the test's own
#         (its secure_path leads sudo to the apt-get stand-in): the setting
#         reaches apt-get through sudo's reset environment, apt-get runs as
#         root; without the sudoers file sudo refuses and deps.sh says what is
#         missing and stops
# Needs root (useradd); exit 77 without it, or in case sudo without sudo.
# The user and the sudoers file are removed at the end, and ones left by an
# earlier run that was killed are removed at the start.
set -u
case_=$1
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root to make a user"; exit 77; }
if [ "$case_" = sudo ] && ! { command -v sudo >/dev/null && [ -d /etc/sudoers.d ]; }; then
  echo "skipped: needs Debian's sudo (scripts/deps.sh test)"; exit 77
fi

PREFIX=quon-t-
USER_=$PREFIX$$
SUDOERS=/etc/sudoers.d/$USER_
tmp=$(mktemp -d /tmp/quon-user-test.XXXXXX)
made_user=
cleanup() {
  rm -f "$SUDOERS"
  [ -n "$made_user" ] && userdel "$USER_" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() { echo "FAIL: $*"; [ -f "$tmp/out" ] && { echo "-- output:"; cat "$tmp/out"; }; exit 1; }

# Users of earlier runs whose test is gone (a run killed at its time limit).
for u in $(getent passwd | cut -d: -f1 | grep -E "^${PREFIX}[0-9]+\$"); do
  if ! kill -0 "${u#"$PREFIX"}" 2>/dev/null; then
    rm -f "/etc/sudoers.d/$u"
    userdel "$u" 2>/dev/null && echo "removed $u, left by an earlier run"
  fi
done

chmod 755 "$tmp"
mkdir -p "$tmp/repo/scripts" "$tmp/stub" "$tmp/bin" "$tmp/build/src" "$tmp/home" "$tmp/log"
cp "$SOURCE_DIR/scripts/deps.sh" "$SOURCE_DIR/scripts/run-demo.sh" "$tmp/repo/scripts/"
touch "$tmp/build/CMakeCache.txt" "$tmp/installed" "$tmp/log/apt" "$tmp/log/cmake" "$tmp/log/demo"
chmod 666 "$tmp/installed" "$tmp/log"/*

# The stand-ins (external commands by absolute path: sudo runs apt-get with its
# own PATH).
cat >"$tmp/stub/dpkg-query" <<STUB
#!/bin/bash
# dpkg-query -W -f=FORMAT NAME...: "NAME install ok installed" for the listed ones
rc=0
for p; do
  case \$p in -*) continue ;; esac
  if /usr/bin/grep -qx -- "\$p" "$tmp/installed"; then echo "\$p install ok installed"
  else echo "dpkg-query: no packages found matching \$p" >&2; rc=1; fi
done
exit \$rc
STUB
cat >"$tmp/stub/apt-get" <<STUB
#!/bin/bash
echo "uid=\$(/usr/bin/id -u) frontend=\${DEBIAN_FRONTEND-unset} mark=\${QUON_MARK-unset} \$*" >>"$tmp/log/apt"
install=
for a; do
  if [ "\$a" = install ]; then install=1
  elif [ -n "\$install" ] && [ "\${a#-}" = "\$a" ]; then echo "\$a" >>"$tmp/installed"; fi
done
STUB
cat >"$tmp/stub/cmake" <<STUB
#!/bin/bash
echo "\$*" >>"$tmp/log/cmake"
STUB
cat >"$tmp/build/src/demo-linux" <<STUB
#!/bin/bash
echo "DISPLAY=\${DISPLAY-unset}" >>"$tmp/log/demo"
STUB
chmod 755 "$tmp/stub"/* "$tmp/build/src/demo-linux"
# The system's tools the two scripts use, and nothing else: no sudo, no apt-get.
for t in bash env sort id dirname realpath nproc; do ln -s "$(command -v "$t")" "$tmp/bin/$t"; done
STUB_PATH=$tmp/stub:$tmp/bin

RUN_GROUP="cmake g++ make pkg-config zlib1g-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev
           libasound2-dev libstb-dev libvorbis-dev libogg-dev"
HEADLESS="imagemagick xauth xdotool xvfb"  # sorted, as deps.sh names them
installed() { printf '%s\n' "$@" >"$tmp/installed"; }
clear_logs() { for f in "$tmp/log"/*; do : >"$f"; done; }

make_user() {
  useradd -M -U -d "$tmp/home" -s /usr/sbin/nologin -c "quon scripts test" "$USER_" ||
    fail "useradd $USER_"
  made_user=1
  chown "$USER_:" "$tmp/home"
}
# as_user PATH [VAR=VALUE...] COMMAND...: as the user, in a clean environment, in
# a session of its own with no terminal (sudo cannot ask for a password); the
# status in $rc, standard output and error in $tmp/out.
as_user() {
  local path=$1
  shift
  clear_logs
  rc=0
  timeout 120 setsid -w setpriv --reuid="$USER_" --regid="$USER_" --clear-groups -- \
    /usr/bin/env -i HOME="$tmp/home" LANG=C PATH="$path" QUON_MARK=1 "$@" \
    </dev/null >"$tmp/out" 2>&1 || rc=$?
}
as_root() {  # as_root PATH [VAR=VALUE...] COMMAND...: the same as root
  local path=$1
  shift
  clear_logs
  rc=0
  timeout 120 /usr/bin/env -i HOME="$tmp/home" LANG=C PATH="$path" QUON_MARK=1 "$@" \
    </dev/null >"$tmp/out" 2>&1 || rc=$?
}
status() { [ "$rc" -eq "$1" ] || fail "$2: exit status $rc, expected $1"; }
has_line() { grep -qxF -- "$2" "$1" || fail "no line '$2' in $(basename "$1")"; }
empty() { [ ! -s "$tmp/log/$1" ] || fail "$1 ran: $(cat "$tmp/log/$1")"; }

DEPS=$tmp/repo/scripts/deps.sh
RUN_DEMO=$tmp/repo/scripts/run-demo.sh
# What apt-get must get, after sudo or as root: update, then install of exactly
# the missing packages, non-interactive, keeping changed configuration files.
OPTS="-qq -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold"
apt_calls_for() {  # apt_calls_for WHO PACKAGES: the two lines apt-get's log must hold
  has_line "$tmp/log/apt" "uid=0 frontend=noninteractive mark=$1 $OPTS update"
  has_line "$tmp/log/apt" "uid=0 frontend=noninteractive mark=$1 $OPTS install -y $2"
  [ "$(wc -l <"$tmp/log/apt")" -eq 2 ] || fail "apt-get ran other than twice: $(cat "$tmp/log/apt")"
}

case $case_ in
root)
  installed $RUN_GROUP xvfb
  as_root "$STUB_PATH" "$DEPS" run headless
  status 0 "as root, three missing"
  apt_calls_for 1 "imagemagick xauth xdotool"
  has_line "$tmp/out" "deps: installing imagemagick xauth xdotool"
  as_root "$STUB_PATH" "$DEPS" run headless
  status 0 "as root, once installed"
  empty apt
  has_line "$tmp/out" "deps: everything is installed (run headless)"

  # No apt-get: named, with the command, and no further.
  rm "$tmp/stub/apt-get"
  installed $RUN_GROUP
  as_root "$STUB_PATH" "$DEPS" run headless
  status 1 "as root without apt-get"
  has_line "$tmp/out" "deps: no apt-get here"
  has_line "$tmp/out" "deps: missing: $HEADLESS"
  has_line "$tmp/out" "deps: install them as root with: apt-get install $HEADLESS"

  # No dpkg-query: what is needed, status 3; run-demo.sh goes on to build.
  rm "$tmp/stub/dpkg-query"
  as_root "$STUB_PATH" "$DEPS" headless
  status 3 "without dpkg-query"
  has_line "$tmp/out" "deps:   $HEADLESS"
  as_root "$STUB_PATH" BUILD="$tmp/build" DISPLAY=:77 "$RUN_DEMO"
  status 0 "run-demo.sh without dpkg-query"
  has_line "$tmp/log/demo" "DISPLAY=:77"
  ;;
user)
  make_user
  # Everything there: success, with the real dpkg-query too.
  installed $RUN_GROUP $HEADLESS
  as_user "$STUB_PATH" "$DEPS" run headless
  status 0 "as a user, everything there"
  has_line "$tmp/out" "deps: everything is installed (run headless)"
  if dpkg-query -W -f='${Status}\n' git python3 2>/dev/null | grep -c "install ok installed" |
    grep -qx 2; then
    ln -s "$(command -v dpkg-query)" "$tmp/bin/dpkg-query"
    as_user "$tmp/bin" "$DEPS" release
    status 0 "as a user, the real dpkg-query, git and python3 there"
    has_line "$tmp/out" "deps: everything is installed (release)"
    rm "$tmp/bin/dpkg-query"
  else
    echo "note: git or python3 not installed here, the real dpkg-query left out"
  fi

  # One group missing: named with the command, status 1, apt-get never run.
  installed $RUN_GROUP
  as_user "$STUB_PATH" "$DEPS" run headless
  status 1 "as a user without sudo, headless missing"
  empty apt
  has_line "$tmp/out" "deps: not root and no sudo, so nothing can be installed"
  has_line "$tmp/out" "deps: missing: $HEADLESS"
  has_line "$tmp/out" "deps: install them as root with: apt-get install $HEADLESS"

  # run-demo.sh with a display: the build packages are enough.
  as_user "$STUB_PATH" BUILD="$tmp/build" DISPLAY=:77 "$RUN_DEMO"
  status 0 "run-demo.sh with a display, headless missing"
  has_line "$tmp/log/cmake" "--build $tmp/build --target demo-linux -j $(nproc)"
  has_line "$tmp/log/demo" "DISPLAY=:77"
  # Without one: it stops before building, naming what is missing.
  as_user "$STUB_PATH" BUILD="$tmp/build" "$RUN_DEMO"
  status 1 "run-demo.sh without a display, headless missing"
  has_line "$tmp/out" "deps: missing: $HEADLESS"
  has_line "$tmp/out" "run-demo: the packages it needs are missing (scripts/deps.sh run headless)"
  empty cmake
  empty demo
  # A build package missing stops it with a display too.
  installed $RUN_GROUP
  sed -i '/^g++$/d' "$tmp/installed"
  as_user "$STUB_PATH" BUILD="$tmp/build" DISPLAY=:77 "$RUN_DEMO"
  status 1 "run-demo.sh with a display, g++ missing"
  has_line "$tmp/out" "deps: missing: g++"
  empty demo
  ;;
sudo)
  make_user
  ln -s "$(command -v sudo)" "$tmp/bin/sudo"
  # Only this user, and apt-get found first in the stand-ins; sudo's reset of the
  # environment stays as Debian ships it.
  printf '%s\n' "Defaults:$USER_ secure_path=\"$tmp/stub:/usr/sbin:/usr/bin:/sbin:/bin\"" \
    "$USER_ ALL=(root) NOPASSWD: ALL" >"$tmp/sudoers"
  visudo -cqf "$tmp/sudoers" || fail "the test's sudoers file does not parse"
  install -m 440 "$tmp/sudoers" "$SUDOERS"

  installed $RUN_GROUP
  as_user "$STUB_PATH" "$DEPS" run headless
  status 0 "as a user with sudo, headless missing"
  # As root, non-interactive; and QUON_MARK, set in the user's environment, did
  # not get through: sudo did reset the environment, so only a setting given on
  # sudo's command line reaches apt-get.
  apt_calls_for unset "$HEADLESS"
  as_user "$STUB_PATH" "$DEPS" run headless
  status 0 "as a user with sudo, once installed"
  has_line "$tmp/out" "deps: everything is installed (run headless)"
  empty apt

  # Refused (no sudoers entry; no terminal to ask a password on): named, stops.
  rm -f "$SUDOERS"
  installed $RUN_GROUP
  as_user "$STUB_PATH" "$DEPS" run headless
  status 1 "as a user whom sudo refuses"
  empty apt
  has_line "$tmp/out" "deps: apt-get update failed (sudo)"
  has_line "$tmp/out" "deps: missing: $HEADLESS"
  ;;
*)
  echo "unknown case $case_"; exit 2 ;;
esac
echo "ok: $case_"
