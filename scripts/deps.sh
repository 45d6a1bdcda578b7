#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing quon need.
# Only what is missing is installed; run as root or with sudo.
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ make pkg-config
  zlib1g-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev
  libasound2-dev libstb-dev
  # demo-capture: OpenGL without a display, encoding; ffmpeg for its tests
  libegl-dev libegl-mesa0 libavformat-dev libavcodec-dev libswresample-dev ffmpeg
  # asset and music tools
  libvorbis-dev libogg-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libspng-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils x11-apps imagemagick pngcheck vorbis-tools python3 python3-pil
  # Windows build and its tests
  mingw-w64 libz-mingw-w64-dev wine64
  # web build (emscripten; the page's inflater node-pako) and its tests in headless Chromium
  emscripten node-pako chromium-headless-shell
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: everything is installed"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
