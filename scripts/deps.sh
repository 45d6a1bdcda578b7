#!/usr/bin/env bash
# deps.sh [GROUP...]
# Installs the Debian 12 packages of the named groups; without a group, all of them.
# Only what is missing is installed: as root directly, otherwise through sudo
# (apt-get non-interactive either way: debconf asks nothing, changed
# configuration files are kept). When everything is there it needs neither root
# nor apt. When something is missing and cannot be installed (no sudo, sudo
# refused, no apt-get) it names the missing packages and the command that
# installs them, and stops with status 1.
#   run       build demo-linux and run it on a display (scripts/run-demo.sh): the
#             compiler, its libraries, the asset tools' libraries
#   headless  run it without a display (scripts/run-demo.sh adds it then): Xvfb and
#             the screenshot tools
#   capture   demo-capture: OpenGL without a display (EGL) and FFmpeg's libraries, ffmpeg
#   windows   the Windows cross build and Wine
#   web       the web build: Emscripten and the page's inflater
#   release   scripts/release.sh (with run, capture, windows and web): the zip writer, git
#             for the commit time that dates the archives, and for the Debian packages
#             Doxygen (the library's reference), dpkg-shlibdeps and file (their dependencies)
#   test      the tests, benchmarks and fuzzing (scripts/test.sh installs the seven above)
# Only when named (left out of scripts/test.sh and of the default groups):
#   package   the Debian packages' checks (CTest label package): lintian, the desktop
#             entry's and the metainfo's validators, man, and debootstrap for the clean
#             Debian root they install into
#   lighthouse  npm, for bench/lighthouse.sh (a Node.js from elsewhere brings its own
#             npm, which Debian's package would clash with)
# Exit status 3 (and the list of packages) where there is no dpkg-query to ask.
set -euo pipefail

declare -A GROUP=(
  [run]="cmake g++ make pkg-config
         zlib1g-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev libasound2-dev libstb-dev
         libvorbis-dev libogg-dev"
  [headless]="xvfb xauth imagemagick xdotool"
  [capture]="libegl-dev libegl-mesa0 libavformat-dev libavcodec-dev libswresample-dev
             ffmpeg"
  [windows]="mingw-w64 libz-mingw-w64-dev wine64"
  [web]="emscripten node-pako"
  [release]="python3 git doxygen dpkg-dev file"
  [test]="libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libspng-dev
          clang libclang-rt-14-dev clang-format-14
          xvfb xauth xdotool x11-utils x11-apps imagemagick pngcheck vorbis-tools
          python3 python3-pil chromium-headless-shell sudo"
  [package]="lintian desktop-file-utils appstream man-db debootstrap
             xvfb xauth python3 python3-pil"
  [lighthouse]="npm"
)
ORDER=(run headless capture windows web release test)

[ $# -gt 0 ] || set -- "${ORDER[@]}"
wanted=()
for g in "$@"; do
  [ -n "${GROUP[$g]:-}" ] || { echo "deps: unknown group '$g' (groups: ${ORDER[*]})" >&2; exit 2; }
  wanted+=(${GROUP[$g]})
done
mapfile -t wanted < <(printf '%s\n' "${wanted[@]}" | sort -u)

if ! command -v dpkg-query >/dev/null; then
  echo "deps: no dpkg-query here to ask what is installed; the Debian packages needed ($*):" >&2
  echo "deps:   ${wanted[*]}" >&2
  exit 3
fi
# One question for all of them: the installed ones answer "NAME install ok installed".
declare -A installed=()
while read -r name status; do
  [ "$status" = "install ok installed" ] && installed[${name%%:*}]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${wanted[@]}" 2>/dev/null || true)
missing=()
for p in "${wanted[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: everything is installed ($*)"
  exit 0
fi

# debconf asks nothing and dpkg keeps changed configuration files. The variable
# goes after sudo, on sudo's command line: sudo resets the environment and
# would drop it if it were set before.
APT=(apt-get -qq -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)
cannot() {  # cannot WHY: say what is missing and how to install it, and stop
  echo "deps: $1" >&2
  echo "deps: missing: ${missing[*]}" >&2
  echo "deps: install them as root with: apt-get install ${missing[*]}" >&2
  exit 1
}
if [ "$(id -u)" -eq 0 ]; then
  AS_ROOT=(env DEBIAN_FRONTEND=noninteractive)
elif command -v sudo >/dev/null; then
  AS_ROOT=(sudo DEBIAN_FRONTEND=noninteractive)
else
  cannot "not root and no sudo, so nothing can be installed"
fi
command -v apt-get >/dev/null || cannot "no apt-get here"
echo "deps: installing ${missing[*]}"
"${AS_ROOT[@]}" "${APT[@]}" update || cannot "apt-get update failed (${AS_ROOT[0]})"
"${AS_ROOT[@]}" "${APT[@]}" install -y "${missing[@]}" || cannot "apt-get install failed (${AS_ROOT[0]})"
