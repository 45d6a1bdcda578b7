#!/usr/bin/env bash
# hostile_test.sh CASE
# The Linux archive lacks "data/ufo.png" and "data/UFO-0.oia", so the demo
# looks for them in the directory sources ".." and ".". This test puts broken
# versions of both there, runs the demo on the display in $DISPLAY (see
# xvfb.sh) for FRAMES frames and expects it to start, draw every frame
# and end normally (status 0) on the q key that the preloaded frameclock
# library sends after the last frame. Environment:
#   DEMO        the demo-linux program
#   FRAMECLOCK  the preloaded test library (frame log, quit key)
#   SOURCE_DIR  the repository root (the intact files come from its data/)
#   FRAMES      frames to run (default 300)
# Cases, each a pair "png-kind:oia-kind", where each kind is one of
#   truncated  the first half of the intact file
#   header     only the first bytes: the signature and part of the header
#   empty      a file of no bytes
#   garbage    random bytes of the intact file's size
#   huge       the header claims a size that cannot be held: a 65535 x
#              65535 image (with a correct chunk checksum), or 2^32 - 1
#              vertices
#   oversized  far more bytes than the header says: the intact file with
#              16 MiB of junk after it (PNG), or a vertex count larger than
#              the vertices that follow (OIA)
#   corrupt    the intact file with its compressed image data overwritten
#              (PNG), or an unknown vertex layout (OIA)
#   directory  a directory where the file should be
#   fifo       a named pipe that no one writes (opening it must not wait)
#   device     a link to the endless device /dev/zero
# and an optional ":parent" after the pair, which puts the broken files in
# ".." and the intact ones in ".", where they must not be reached.
set -u
case_=$1
FRAMES=${FRAMES:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL ($case_): $*"; [ -f "$work/out" ] && { echo "-- demo output:"; tail -n 40 "$work/out"; }; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to make the files"; exit 77; }

IFS=: read -r pngKind oiaKind where <<<"$case_"
run=$work/parent/run
mkdir -p "$run/data" "$work/parent/data"
hostile=$run/data
if [ "${where:-}" = parent ]; then
  hostile=$work/parent/data
  cp "$SOURCE_DIR/data/ufo.png" "$SOURCE_DIR/data/UFO-0.oia" "$run/data/"
fi

python3 - "$SOURCE_DIR/data" "$hostile" "$pngKind" "$oiaKind" <<'EOF' || fail "cannot make the files"
import os, random, struct, sys, zlib
src, dst, png_kind, oia_kind = sys.argv[1:]
rnd = random.Random(8)

def make(name, data):
    path = os.path.join(dst, name)
    if data is None:
        os.mkdir(path)
    elif data in ("fifo", "device"):
        os.mkfifo(path) if data == "fifo" else os.symlink("/dev/zero", path)
    else:
        open(path, "wb").write(data)

def common(kind, intact, header):
    if kind == "truncated": return intact[: len(intact) // 2]
    if kind == "header": return intact[:header]
    if kind == "empty": return b""
    if kind == "garbage": return bytes(rnd.getrandbits(8) for _ in range(len(intact)))
    if kind == "directory": return None
    if kind in ("fifo", "device"): return kind
    raise KeyError(kind)

def png(kind):
    intact = open(os.path.join(src, "ufo.png"), "rb").read()
    if kind == "huge":
        ihdr = b"IHDR" + struct.pack(">IIBBBBB", 65535, 65535, 8, 6, 0, 0, 0)
        chunk = struct.pack(">I", 13) + ihdr + struct.pack(">I", zlib.crc32(ihdr))
        return intact[:8] + chunk + intact[33:]
    if kind == "oversized": return intact + bytes(16 << 20)
    if kind == "corrupt":
        at = intact.index(b"IDAT") + 4 + 40
        return intact[:at] + bytes(rnd.getrandbits(8) for _ in range(200)) + intact[at + 200:]
    return common(kind, intact, 20)

def oia(kind):
    intact = open(os.path.join(src, "UFO-0.oia"), "rb").read()
    if kind == "huge": return intact[:8] + struct.pack(">I", 0xFFFFFFFF) + intact[12:]
    if kind == "oversized": return intact[:8] + struct.pack(">I", 1000000) + intact[12:]
    if kind == "corrupt": return intact[:7] + b"\x0c" + intact[8:]
    return common(kind, intact, 9)

make("ufo.png", png(png_kind))
make("UFO-0.oia", oia(oia_kind))
EOF

# Sanitizer builds: no leak check of the whole program (its records live to
# the end by design); ASan's runtime need not come first in the library list.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"
(cd "$run" && exec env FSOUND_OUTPUT=null LD_PRELOAD="$FRAMECLOCK" FRAMECLOCK_DIR="$work" \
  FRAMECLOCK_QUIT=$((FRAMES - 1)) timeout 120 "$DEMO") >"$work/out" 2>&1
rc=$?
[ "$rc" -eq 0 ] || fail "exit status $rc, expected 0"
drawn=$(wc -l <"$work/frames.log" 2>/dev/null || echo 0)
# The key reaches the loop after the frame in progress or a few frames later.
[ "$drawn" -ge "$FRAMES" ] && [ "$drawn" -le $((FRAMES + 5)) ] ||
  fail "$drawn frames swapped, expected $FRAMES"
grep -qE "runtime error|AddressSanitizer|X Error" "$work/out" && fail "errors in the output"
echo "ok: $case_ ($FRAMES frames)"
