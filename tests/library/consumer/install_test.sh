#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks that every component's
# files are there, builds the consumer against the installed package (consume.sh)
# and loads a PNG from the packed Linux archive with it.
set -eu
BUILD=$1; SRC=$2; ARCHIVE=$3
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
cmake --install "$BUILD" --prefix "$T/prefix" >/dev/null
APP_ID=$(sed -n 's/^QUON_APP_ID:STRING=//p' "$BUILD/CMakeCache.txt")
for f in bin/quon libexec/quon/demo-linux share/quon/data/UFO-0.oia share/quon/data/ufo.png \
         share/applications/$APP_ID.desktop share/metainfo/$APP_ID.metainfo.xml \
         share/icons/hicolor/48x48/apps/$APP_ID.png share/man/man1/quon.1.gz \
         bin/qdar share/man/man1/qdar.1.gz \
         include/quon.h lib/libquon.a lib/cmake/quon/quonConfig.cmake lib/pkgconfig/quon.pc \
         share/doc/quon/copyright share/doc/quon-tools/changelog.gz share/doc/libquon-dev/copyright; do
  [ -e "$T/prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
"$SRC/consume.sh" "$SRC" "$ARCHIVE" data/quon.png 256 256 "$T/prefix"
echo PASS
