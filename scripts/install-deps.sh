#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the game.
# Used by `make` and by CI alike. Installs only what is missing, then sets up
# the 32-bit Wine (below); where it cannot, it says what is missing and the
# 32-bit Windows checks of `make test` are skipped (CI fails on that).
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev libmpfr-dev libstb-dev libcli11-dev
  xvfb xdotool x11-apps imagemagick lintian
  clang libclang-rt-14-dev clang-format-14
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 qemu-user-static
  emscripten chromium nodejs
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's nodejs comes without npm (the browser test's puppeteer-core is installed
# with it); a Node.js that brings its own npm needs no package.
command -v npm >/dev/null 2>&1 || missing+=(npm)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# Other installs may hold the package lock for a while.
APT=(env DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 -qq)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${APT[@]}" update
  "${APT[@]}" install -y --no-install-recommends "${missing[@]}"
fi

# The 32-bit Wine runs the i686 game. Where the kernel runs no 32-bit programs
# ("Exec format error"), qemu-user runs them, registered with binfmt_misc; the
# F flag opens the interpreter now, so it works inside containers too. Wine
# under qemu needs QEMU_RESERVED_VA (tests/windows/wine.sh sets it).
wine32_runs() { QEMU_RESERVED_VA=0xffff0000 timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1; }
wine32_missing() { # prints what is missing, nothing when the 32-bit Wine runs
  # The game's window needs the 32-bit OpenGL (Mesa's software one under Xvfb).
  local p need=0
  for p in wine32:i386 libgl1:i386 libgl1-mesa-dri:i386; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need=1
  done
  if [ "$need" -eq 1 ]; then
    if [ -n "$SUDO" ] && ! command -v sudo >/dev/null; then
      echo "wine32:i386 is not installed and this is not root (as root: dpkg --add-architecture i386;" \
        "apt-get update; apt-get install wine32:i386 libgl1:i386 libgl1-mesa-dri:i386)"
      return
    fi
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    "${APT[@]}" update >&2
    if ! "${APT[@]}" install -y --no-install-recommends wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 >/tmp/gamevrak-wine32.log 2>&1; then
      echo "wine32:i386 does not install: $(grep -m 3 -E '^E:|Depends:' /tmp/gamevrak-wine32.log | tr '\n' ' ')"
      return
    fi
  fi
  wine32_runs && return
  local binfmt=/proc/sys/fs/binfmt_misc qemu
  qemu=$(command -v qemu-i386-static) || { echo "qemu-i386-static is missing"; return; }
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
    { echo "binfmt_misc is not mounted and cannot be (mount -t binfmt_misc binfmt_misc $binfmt as root)"; return; }
  if [ ! -e "$binfmt/qemu-i386" ]; then
    printf ':qemu-i386:M::%s:%s:%s:F' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
      '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' "$qemu" |
      $SUDO tee "$binfmt/register" >/dev/null 2>&1 ||
      { echo "qemu-i386 cannot be registered in $binfmt (needs root)"; return; }
  fi
  wine32_runs || echo "the 32-bit Wine does not start: QEMU_RESERVED_VA=0xffff0000 /usr/lib/wine/wine --version fails"
}
why=$(wine32_missing)
if [ -n "$why" ]; then
  echo "32-bit Wine: not set up: $why."
  echo "The 32-bit Windows checks of 'make test' will be skipped; CI fails on that."
fi
