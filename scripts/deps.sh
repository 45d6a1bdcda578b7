#!/usr/bin/env bash
# deps.sh [GROUP...]
# Installs the Debian 12 packages of the named groups; without a group, all of them.
# Only what is missing is installed; run as root or with sudo.
#   run      build demo-linux and run it (scripts/run-demo.sh): the compiler, its libraries,
#            the asset tools' libraries, and Xvfb with the screenshot tools for a machine
#            without a display
#   capture  demo-capture: OpenGL without a display (EGL) and FFmpeg's libraries, ffmpeg
#   windows  the Windows cross build and Wine
#   web      the web build: Emscripten and the page's inflater
#   release  scripts/release.sh (with run, capture, windows and web): the zip writer, git
#            for the commit time that dates the archives, and for the Debian packages
#            Doxygen (the library's reference), dpkg-shlibdeps and file (their dependencies)
#   test     the tests, benchmarks and fuzzing (scripts/test.sh installs the six above)
#   package  the Debian packages' checks (CTest label package, kept out of scripts/test.sh
#            and of the default groups): lintian, the desktop entry's and the metainfo's
#            validators, man, and debootstrap for the clean Debian root they install into
set -euo pipefail

declare -A GROUP=(
  [run]="cmake g++ make pkg-config
         zlib1g-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev libasound2-dev libstb-dev
         libvorbis-dev libogg-dev
         xvfb xauth imagemagick xdotool"
  [capture]="libegl-dev libegl-mesa0 libavformat-dev libavcodec-dev libswresample-dev
             ffmpeg"
  [windows]="mingw-w64 libz-mingw-w64-dev wine64"
  [web]="emscripten node-pako"
  [release]="python3 git doxygen dpkg-dev file"
  [test]="libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libspng-dev
          clang libclang-rt-14-dev
          xvfb xauth xdotool x11-utils x11-apps imagemagick pngcheck vorbis-tools
          python3 python3-pil chromium-headless-shell"
  [package]="lintian desktop-file-utils appstream man-db debootstrap
             xvfb xauth python3 python3-pil"
)
ORDER=(run capture windows web release test)

[ $# -gt 0 ] || set -- "${ORDER[@]}"
wanted=()
for g in "$@"; do
  [ -n "${GROUP[$g]:-}" ] || { echo "deps: unknown group '$g' (groups: ${ORDER[*]})" >&2; exit 2; }
  wanted+=(${GROUP[$g]})
done

missing=()
for p in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: everything is installed ($*)"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
