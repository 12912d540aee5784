#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the game.
# Used by `make` and by CI alike. Installs only what is missing.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  xvfb xdotool x11-apps imagemagick sox
  clang libclang-rt-14-dev clang-format-14
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
  emscripten chromium nodejs
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's nodejs comes without npm (the browser test's puppeteer-core is installed
# with it); a Node.js that brings its own npm needs no package.
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
