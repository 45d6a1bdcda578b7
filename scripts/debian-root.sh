#!/usr/bin/env bash
# debian-root.sh SUITE DIR
# Makes DIR a minimal Debian root of SUITE (bookworm, trixie, ...): debootstrap
# --variant=minbase from Debian's package registry (DEBIAN_MIRROR, default
# http://deb.debian.org/debian). Made once: when DIR already holds a finished
# root of SUITE it returns at once, so tests can call it every time.
#   - The root is made in DIR.partial and moved to DIR only once complete; a run
#     that was interrupted leaves nothing at DIR, and the next one unmounts what
#     debootstrap had mounted in DIR.partial, removes it and starts afresh.
#   - The downloaded packages stay in DIR.debs for the next root of SUITE.
#   - Two runs for one DIR at once: the second waits for the first (DIR.lock).
# DIR is treated as a cache: callers that change a root work on a copy of it.
# Needs root and the debootstrap package. Exit status 0 with DIR ready (its path
# is the last line printed); otherwise non-zero with a line saying why.
set -euo pipefail
die() { echo "debian-root: $*" >&2; exit 1; }
[ $# -eq 2 ] || { echo "usage: scripts/debian-root.sh SUITE DIR" >&2; exit 2; }
SUITE=$1
[[ $SUITE =~ ^[a-z][a-z0-9-]*$ ]] || die "not a suite name: '$SUITE'"
DIR=$(realpath -m -- "$2")
[ "$DIR" != / ] || die "DIR must not be /"
MIRROR=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
STAMP=.debian-root  # in DIR: the suite, written last

[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap)"
command -v debootstrap >/dev/null || die "needs debootstrap (apt-get install debootstrap)"

mkdir -p "$(dirname "$DIR")"
exec 9>"$DIR.lock"
flock 9

if [ -f "$DIR/$STAMP" ]; then
  have=$(cat "$DIR/$STAMP")
  [ "$have" = "$SUITE" ] || die "$DIR holds a root of $have, not of $SUITE"
  echo "debian-root: $SUITE already in place"
  echo "$DIR"
  exit 0
fi
# Not a finished root: only an empty folder may stand in the way (anything else
# is not this script's to remove).
if [ -e "$DIR" ]; then
  rmdir -- "$DIR" 2>/dev/null || die "$DIR exists and is not a root made by this script"
fi

PARTIAL=$DIR.partial
unmount_below() {  # unmount_below FOLDER: whatever is mounted in it, deepest first
  local m
  awk -v below="$1/" 'index($5, below) == 1 {print $5}' /proc/self/mountinfo | sort -r |
    while read -r m; do umount -l -- "$m" 2>/dev/null || true; done
}
if [ -e "$PARTIAL" ]; then
  echo "debian-root: removing the unfinished $PARTIAL"
  unmount_below "$PARTIAL"
  rm -rf --one-file-system -- "$PARTIAL"
  [ ! -e "$PARTIAL" ] || die "could not remove $PARTIAL"
fi
trap 'unmount_below "$PARTIAL"' EXIT

mkdir -p "$DIR.debs"
echo "debian-root: debootstrap --variant=minbase $SUITE from $MIRROR ($(date +%T))"
debootstrap --variant=minbase --cache-dir="$DIR.debs" "$SUITE" "$PARTIAL" "$MIRROR" \
  >"$DIR.log" 2>&1 || { tail -n 20 "$DIR.log" >&2; die "debootstrap failed (log: $DIR.log)"; }
unmount_below "$PARTIAL"
rm -rf "$PARTIAL"/var/cache/apt/archives/*.deb
echo "$SUITE" >"$PARTIAL/$STAMP"
mv -T -- "$PARTIAL" "$DIR"
echo "debian-root: $SUITE ready ($(date +%T))"
echo "$DIR"
