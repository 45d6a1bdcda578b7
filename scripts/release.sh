#!/usr/bin/env bash
# release.sh [--no-video]
# Writes dist/ for the project's version (CMake's project VERSION) from clean
# builds in folders of its own (build-release/, build-release-win32/,
# build-release-web/, all made anew):
#   quon-VERSION-linux-x86_64.tar.gz  quon (the launcher), demo-linux, data/ufo.png,
#                                     data/UFO-0.oia, README.txt
#   quon-VERSION-windows-x64.zip      demo-win32.exe, README.txt
#   quon-VERSION-web.zip              the web page's folder, for any static server
#   quon-VERSION.mp4                  the default capture (left out with --no-video)
#   quon_VERSION_amd64.deb, quon-tools_VERSION_amd64.deb, libquon-dev_VERSION_amd64.deb
#                                     the Debian packages (cpack in the Linux build;
#                                     packaging/CMakeLists.txt)
#   SHA256SUMS
# Each archive holds one folder named as the archive. The archives are
# reproducible: two runs from one commit write the same bytes (every entry
# dated SOURCE_DATE_EPOCH, by default the commit's time; owner 0/0; fixed
# modes; sorted names; no time in the gzip header), and so are the packages.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
die() { echo "release: $*" >&2; exit 1; }
VIDEO=1
for arg; do
  case $arg in
  --no-video) VIDEO=0 ;;
  *) echo "usage: scripts/release.sh [--no-video]" >&2; exit 2 ;;
  esac
done
JOBS=$(nproc)
"$ROOT/scripts/deps.sh" run capture windows web release

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -c safe.directory="$ROOT" log -1 --format=%ct 2>/dev/null) ||
    die "no commit to date the archives by: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH
git -c safe.directory="$ROOT" diff --quiet HEAD 2>/dev/null || echo "release: note: the tree differs from its last commit"

NATIVE=$ROOT/build-release WIN=$ROOT/build-release-win32 WEB=$ROOT/build-release-web
rm -rf "$NATIVE" "$WIN" "$WEB"
echo "== release: Linux build ($(date +%T))"
# (Installed under /usr, as the Debian packages are; QUON_DOCS: the library's reference.)
cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Release -DQUON_RELEASE=ON \
  -DQUON_TESTS=OFF -DQUON_BENCH=OFF -DQUON_CAPTURE=ON -DQUON_DOCS=ON \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$NATIVE" -j "$JOBS" --target qdar demo-linux quon-launcher demo-capture quon \
  quon-package-files
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$NATIVE/CMakeCache.txt")
[ -n "$VERSION" ] || die "no project version in $NATIVE/CMakeCache.txt"

echo "== release: Windows build ($(date +%T))"
cmake -S "$ROOT" -B "$WIN" -DCMAKE_BUILD_TYPE=Release -DQUON_RELEASE=ON \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DQUON_QDAR="$NATIVE/tools/qdar" >/dev/null
cmake --build "$WIN" -j "$JOBS"

echo "== release: web build ($(date +%T))"
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs  # Debian's Node.js modules (see test.sh)
emcmake cmake -S "$ROOT" -B "$WEB" -DCMAKE_BUILD_TYPE=Release -DQUON_QDAR="$NATIVE/tools/qdar" >/dev/null
cmake --build "$WEB" -j "$JOBS"

echo "== release: archives ($(date +%T))"
DIST=$ROOT/dist
rm -rf "$DIST"
mkdir -p "$DIST"
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
readme() {  # readme TEMPLATE OUT: the template with @VERSION@ filled in
  sed "s/@VERSION@/$VERSION/g" "$ROOT/scripts/release/$1" >"$2"
}

LINUX=quon-$VERSION-linux-x86_64
install -D -m 755 "$NATIVE/src/demo-linux" "$STAGE/$LINUX/demo-linux"
install -D -m 755 "$NATIVE/src/quon" "$STAGE/$LINUX/quon"
install -D -m 644 "$ROOT/data/ufo.png" "$STAGE/$LINUX/data/ufo.png"
install -D -m 644 "$ROOT/data/UFO-0.oia" "$STAGE/$LINUX/data/UFO-0.oia"
readme linux-README.txt "$STAGE/$LINUX/README.txt"
tar -C "$STAGE" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
  --mode=u+rw,go-w,a+rX --mtime="@$SOURCE_DATE_EPOCH" -cf - "$LINUX" | gzip -9 -n >"$DIST/$LINUX.tar.gz"

WINDOWS=quon-$VERSION-windows-x64
install -D -m 755 "$WIN/src/demo-win32.exe" "$STAGE/$WINDOWS/demo-win32.exe"
readme windows-README.txt "$STAGE/$WINDOWS/README.txt"

WEBDIR=quon-$VERSION-web
mkdir -p "$STAGE/$WEBDIR"
cp -R "$WEB/web/." "$STAGE/$WEBDIR/"

# Zips: sorted entries, each dated SOURCE_DATE_EPOCH (UTC), modes 644 (755 for programs).
/usr/bin/python3 - "$STAGE" "$DIST" "$WINDOWS" "$WEBDIR" <<'EOF'
import os, sys, time, zipfile
stage, dist, folders = sys.argv[1], sys.argv[2], sys.argv[3:]
when = time.gmtime(int(os.environ['SOURCE_DATE_EPOCH']))[:6]
for folder in folders:
    paths = []
    for top, dirs, files in os.walk(os.path.join(stage, folder)):
        paths += [os.path.join(top, f) for f in files]
    with zipfile.ZipFile(os.path.join(dist, folder + '.zip'), 'w') as z:
        for path in sorted(paths, key=lambda p: os.path.relpath(p, stage)):
            info = zipfile.ZipInfo(os.path.relpath(path, stage), date_time=when)
            info.create_system = 3  # Unix, so that the modes below count
            mode = 0o755 if os.access(path, os.X_OK) else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, 'rb') as f:
                z.writestr(info, f.read(), compresslevel=9)
EOF

echo "== release: Debian packages ($(date +%T))"
rm -rf "$NATIVE/packages"
(cd "$NATIVE" && cpack -G DEB >"$NATIVE/cpack.log" 2>&1) ||
  { tail -n 20 "$NATIVE/cpack.log" >&2; die "cpack failed (log: $NATIVE/cpack.log)"; }
DEBS=()
for package in quon quon-tools libquon-dev; do
  deb=${package}_${VERSION}_$(dpkg --print-architecture).deb
  [ -f "$NATIVE/packages/$deb" ] || die "cpack made no $deb"
  cp "$NATIVE/packages/$deb" "$DIST/"
  DEBS+=("$deb")
done

ARTIFACTS=("$LINUX.tar.gz" "$WINDOWS.zip" "$WEBDIR.zip" "${DEBS[@]}")
if [ $VIDEO = 1 ]; then
  echo "== release: video ($(date +%T))"
  # From an empty folder: the video shows what the program holds, whoever runs this.
  mkdir "$STAGE/empty"
  (cd "$STAGE/empty" && env -u DISPLAY "$NATIVE/src/demo-capture" "$DIST/quon-$VERSION.mp4") ||
    die "the capture failed"
  ARTIFACTS+=("quon-$VERSION.mp4")
fi
(cd "$DIST" && sha256sum "${ARTIFACTS[@]}" >SHA256SUMS)
echo "== release: dist/ for $VERSION, dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC ($(date +%T))"
(cd "$DIST" && ls -l "${ARTIFACTS[@]}" SHA256SUMS)
