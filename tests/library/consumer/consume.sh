#!/bin/sh
# consume.sh SRC ARCHIVE NAME WIDTH HEIGHT [PREFIX]
# Builds the consumer in SRC against an installed quon library twice, with
# find_package(quon) and with pkg-config, and runs each on the archive: it must
# load the PNG NAME of WIDTH x HEIGHT pixels from it. Without PREFIX the
# library is looked for where the system keeps it (an installed libquon-dev).
# Used by install_test.sh (a cmake --install tree) and by the Debian package's
# test in a clean Debian root.
set -eu
SRC=$1 ARCHIVE=$2 NAME=$3 WIDTH=$4 HEIGHT=$5 PREFIX=${6:-}
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
if [ -n "$PREFIX" ]; then
  cmake -S "$SRC" -B "$T/build" -DCMAKE_PREFIX_PATH="$PREFIX" >/dev/null
else
  cmake -S "$SRC" -B "$T/build" >/dev/null
fi
cmake --build "$T/build" >/dev/null
"$T/build/consumer" "$ARCHIVE" "$NAME" "$WIDTH" "$HEIGHT"
# The same consumer built with what pkg-config says.
for dir in ${PREFIX:+"$PREFIX"/lib/*/pkgconfig "$PREFIX"/lib/pkgconfig}; do
  [ -d "$dir" ] && PKG_CONFIG_PATH=$dir${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH} && export PKG_CONFIG_PATH
done
FLAGS=$(pkg-config --cflags --libs quon)
${CXX:-c++} -std=c++17 -o "$T/pc-consumer" "$SRC/main.cpp" $FLAGS
"$T/pc-consumer" "$ARCHIVE" "$NAME" "$WIDTH" "$HEIGHT"
