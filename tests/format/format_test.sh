#!/bin/sh
# format_test.sh SOURCE_DIR CLANG_FORMAT
# The tree's C and C++ sources (the files git tracks, or without git every
# .c, .cpp and .h outside the build folders) as the tree's .clang-format has
# clang-format 14 write them. Names every file that differs, with the command
# that formats it, and fails.
set -eu
cd "$1"
format=$2
if ! "$format" --version 2>/dev/null | grep -q 'clang-format version 14\.'; then
    echo "format_test: $format is not clang-format 14 (Debian: clang-format-14)" >&2
    exit 1
fi
list=$(mktemp)
trap 'rm -f "$list"' EXIT
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.c' '*.cpp' '*.h' >"$list"
else
    find . -path './build*' -prune -o -path './dist' -prune -o \
        \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -type f -print0 >"$list"
fi
[ -s "$list" ] || { echo "format_test: no sources found in $1" >&2; exit 1; }
if ! out=$(xargs -0 "$format" --style=file --dry-run --Werror <"$list" 2>&1); then
    echo "format_test: not as .clang-format writes them (fix with: $format -i FILE):"
    bad=$(echo "$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
    echo "${bad:-$out}" | sed 's/^/  /'
    exit 1
fi
echo "format_test: $(tr -cd '\0' <"$list" | wc -c) files formatted as .clang-format writes them"
