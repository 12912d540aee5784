#!/usr/bin/env bash
# same_bits_windows.sh SOURCE_DIR WORK_DIR GAME_DIR RECORD: the Windows runners under Wine play the sessions
# of same_bits.sh as RECORD has them (docs/testing.md). WORK_DIR is windows_e2e.sh's.
set -uo pipefail
NAME=same-bits-windows
fail() { echo "$NAME: FAIL: $*" && exit 1; }
mkdir -p "$2/logs"
SRC=$1 WORK=$(cd "$2" && pwd) GAME=$3 RECORD=$4
source "$SRC/tests/windows/wine.sh"
rm -f "$WORK/skipped-32-bit-$NAME.txt"
trap 'wineserver -k 2>/dev/null' EXIT
wine_prefix_start "$WORK" "$WORK/logs/wineboot.log"
for arch in i686 x86_64; do
    build="$WORK/build-$arch" log="$WORK/logs/replay-$arch.log"
    [ -f "$build/build.ninja" ] || cmake -S "$SRC" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-mingw-$arch.cmake" -DGAMEVRAK_SDL=OFF -DGAMEVRAK_TESTS=OFF \
        -DGAMEVRAK_BENCH=OFF -DGAMEVRAK_GAME_DATA="$GAME" >"$log" 2>&1 || fail "configure: $(tail -n 20 "$log")"
    cmake --build "$build" --target gamevrak-replay >"$log" 2>&1 || fail "build: $(grep -m 20 -E 'error|FAILED' "$log")"
    dlls=$("$arch-w64-mingw32-objdump" -p "$build/game/gamevrak-replay.exe" | awk '/DLL Name:/ {print tolower($3)}')
    [ "$(echo $dlls)" = "kernel32.dll msvcrt.dll" ] || fail "the $arch runner imports: $dlls"
    echo "$NAME: $arch runner imports" $dlls
done
# Loads, stores and conversions are exact on x87 too; arithmetic must be SSE2.
x87=$(i686-w64-mingw32-objdump -d "$WORK/build-i686/libgamecore.a" |
    grep -cE $'\tfi?(add|sub|mul|div|sqrt|sin|cos|prem|scale|ptan|patan|yl2x|2xm1|rndint)')
[ "$x87" -eq 0 ] || fail "$x87 x87 arithmetic instructions in the 32-bit game core"

wine_prefix_wait || fail "wineboot: $(tail "$WORK/logs/wineboot.log")"
wineserver -p # the services stay up between the runner's starts
bash "$SRC/tests/same_bits.sh" "$GAME" "$WORK/same-bits-x86_64" "$RECORD" "$WINE64" \
    "$WORK/build-x86_64/game/gamevrak-replay.exe" || exit 1
if [ -n "$WINE32_MISSING" ]; then
    skipped_32bit "$WORK" "$NAME" "runner's sessions"
    exit 77
fi
SAME_BITS_PARALLEL=1 bash "$SRC/tests/same_bits.sh" "$GAME" "$WORK/same-bits-i686" "$RECORD" "$WINE32" \
    "$WORK/build-i686/game/gamevrak-replay.exe" || exit 1
echo "$NAME: passed (x86-64 and 32-bit runners)"
