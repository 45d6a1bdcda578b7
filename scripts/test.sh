#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the native build (demo, library, tools, tests, benchmarks) and its tests;
#  2. the Windows program, cross-built with mingw-w64 (its Wine tests run in step 1's suite);
#     then the release (scripts/release.sh: dist/ from builds of its own), whose
#     archives and video step 1's suite unpacks and runs;
#  3. the web build (Emscripten) and its page tests in headless Chromium;
#  4. a clang build with AddressSanitizer + UndefinedBehaviorSanitizer and the fuzz targets,
#     running the unit tests again and a short smoke run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)

"$ROOT/scripts/deps.sh"

echo "== native build ($(date +%T))"
# (Every part on: scripts/run-demo.sh may have configured build/ for the demo alone.)
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUON_TESTS=ON -DQUON_BENCH=ON -DQUON_CAPTURE=ON \
  -DQUON_WIN32_EXE="$ROOT/build-win32/src/demo-win32.exe" -DQUON_DIST_DIR="$ROOT/dist"
cmake --build "$ROOT/build" -j "$JOBS"

echo "== Windows build ($(date +%T))"
cmake -S "$ROOT" -B "$ROOT/build-win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DQUON_QDAR="$ROOT/build/tools/qdar"
cmake --build "$ROOT/build-win32" -j "$JOBS"

echo "== release ($(date +%T))"
"$ROOT/scripts/release.sh"

echo "== tests ($(date +%T))"
# (Not the label package: the Debian packages in a clean Debian root, slow and on the network.)
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS" --timeout 300 -LE package)

echo "== web build and its page tests ($(date +%T))"
# Emscripten's tools need Debian's Node.js modules, which a Node.js from
# elsewhere does not look for by itself.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
emcmake cmake -S "$ROOT" -B "$ROOT/build-web" -DCMAKE_BUILD_TYPE=Release \
  -DQUON_QDAR="$ROOT/build/tools/qdar" -DQUON_NATIVE_BUILD="$ROOT/build"
cmake --build "$ROOT/build-web" -j "$JOBS"
(cd "$ROOT/build-web" && ctest --output-on-failure --timeout 300)

echo "== sanitizer build (ASan + UBSan) with fuzz targets ($(date +%T))"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DQUON_SANITIZE=ON -DQUON_FUZZ=ON -DQUON_BENCH=OFF
cmake --build "$ROOT/build-asan" -j "$JOBS"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/tests/support/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$ROOT/build-asan" && ctest --output-on-failure -j "$JOBS" --timeout 300)
