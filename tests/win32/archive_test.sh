#!/usr/bin/env bash
# The Windows archive has its published layout: 14 entries, 362744 bytes, directory at 362419.
set -u
QDAR=$1
ARCHIVE=$2
[ -f "$ARCHIVE" ] || { echo "SKIP: $ARCHIVE not built"; exit 77; }
size=$(stat -c %s "$ARCHIVE")
dir=$(tail -c 4 "$ARCHIVE" | od -An -t d4 | tr -d ' ')
entries=$("$QDAR" list "$ARCHIVE" | wc -l)
echo "size $size, directory at $dir, $entries entries"
"$QDAR" list "$ARCHIVE"
[ "$size" -eq 362744 ] && [ "$dir" -eq 362419 ] && [ "$entries" -eq 14 ] && echo PASS && exit 0
echo "FAIL: expected 362744 bytes, directory at 362419, 14 entries"; exit 1
