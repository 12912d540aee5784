#!/usr/bin/env bash
# The x86-64 Windows runner under Wine plays the sessions of same_bits.sh as
# the Linux one recorded them in RECORD. No 32-bit Wine installs here: the
# 32-bit runner is only checked (system DLLs, no x87 arithmetic in the core).
#   same_bits_windows.sh SOURCE_DIR WORK_DIR GAME_DIR RECORD
# WORK_DIR holds the cross builds of windows_e2e.sh.
set -uo pipefail
fail() { echo "same-bits-windows: FAIL: $*" && exit 1; }
mkdir -p "$2/logs"
SRC=$1 WORK=$(cd "$2" && pwd) GAME=$3 RECORD=$4
for arch in i686 x86_64; do
    build="$WORK/build-$arch" log="$WORK/logs/replay-$arch.log"
    [ -f "$build/build.ninja" ] || cmake -S "$SRC" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-mingw-$arch.cmake" -DGAMEVRAK_SDL=OFF -DGAMEVRAK_TESTS=OFF \
        -DGAMEVRAK_BENCH=OFF -DGAMEVRAK_GAME_DATA="$GAME" >"$log" 2>&1 || fail "configure: $(tail -n 20 "$log")"
    cmake --build "$build" --target gamevrak-replay >"$log" 2>&1 || fail "build: $(grep -m 20 -E 'error|FAILED' "$log")"
    dlls=$("$arch-w64-mingw32-objdump" -p "$build/game/gamevrak-replay.exe" | awk '/DLL Name:/ {print tolower($3)}')
    [ "$(echo $dlls)" = "kernel32.dll msvcrt.dll" ] || fail "the $arch runner imports: $dlls"
    echo "same-bits-windows: $arch runner imports" $dlls
done
# Loads, stores and conversions are exact on x87 too; arithmetic must be SSE2.
x87=$(i686-w64-mingw32-objdump -d "$WORK/build-i686/libgamecore.a" |
    grep -cE $'\tfi?(add|sub|mul|div|sqrt|sin|cos|prem|scale|ptan|patan|yl2x|2xm1|rndint)')
[ "$x87" -eq 0 ] || fail "$x87 x87 arithmetic instructions in the 32-bit game core"

export WINEPREFIX="$WORK/wineprefix-x86_64" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 wineboot --init >"$WORK/logs/wineboot.log" 2>&1 || fail "wineboot: $(tail "$WORK/logs/wineboot.log")"
    timeout 60 wineserver -w
fi
bash "$SRC/tests/same_bits.sh" "$GAME" "$WORK/same-bits" "$RECORD" wine "$WORK/build-x86_64/game/gamevrak-replay.exe"
