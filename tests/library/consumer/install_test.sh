#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds the consumer against the installed
# package, and loads a PNG from the packed Linux archive with it.
set -eu
BUILD=$1; SRC=$2; ARCHIVE=$3
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
cmake --install "$BUILD" --prefix "$T/prefix" >/dev/null
for f in bin/demo-linux bin/qdar include/quon.h lib/libquon.a lib/cmake/quon/quonConfig.cmake \
         lib/pkgconfig/quon.pc; do
  [ -e "$T/prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
cmake -S "$SRC" -B "$T/build" -DCMAKE_PREFIX_PATH="$T/prefix" >/dev/null
cmake --build "$T/build" >/dev/null
"$T/build/consumer" "$ARCHIVE" data/quon.png 256 256
# The same consumer built with what pkg-config says.
FLAGS=$(PKG_CONFIG_PATH="$T/prefix/lib/pkgconfig" pkg-config --cflags --libs quon)
${CXX:-c++} -std=c++17 -o "$T/pc-consumer" "$SRC/main.cpp" $FLAGS
"$T/pc-consumer" "$ARCHIVE" data/quon.png 256 256
echo PASS
