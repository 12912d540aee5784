#!/usr/bin/env bash
# The Windows game from its zip under Wine with Xvfb (docs/testing.md): windows_e2e.sh SOURCE_DIR WORK_DIR
# GAME_DIR REPLAY (GAME_DIR: a native build's game folder, whose art and sound go into the zip). Where the
# 32-bit Wine cannot run, that is noted as skipped and an x86-64 build runs instead.
set -uo pipefail
NAME=windows-e2e SRC=$1 GAME_DIR=$3 REPLAY=$4
mkdir -p "$2"
BASE=$(cd "$2" && pwd)
WORK="$BASE/logs"
rm -rf "$WORK" "$BASE/run"
mkdir -p "$WORK" "$BASE/run"
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/windows/wine.sh"
rm -f "$BASE/skipped-32-bit-$NAME.txt"
ARCH=i686 WINE=$WINE32 # the executable players get, where it can run
[ -z "$WINE32_MISSING" ] || ARCH=x86_64 WINE=$WINE64
need i686-w64-mingw32-g++ "$ARCH-w64-mingw32-g++" "$ARCH-w64-mingw32-objdump" "$WINE" wineserver Xvfb xdotool \
    import convert cmake ninja
wine_prefix_start "$BASE" "$WORK/wineboot.log" # while the game builds

build_for() { # arch: the game, the backend checks and the zip, importing only system DLLs
    local arch=$1 build="$BASE/build-$1" format=pei-x86-64 dll
    cmake -S "$SRC" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DGAMEVRAK_SDL=OFF -DGAMEVRAK_TESTS=OFF -DGAMEVRAK_BENCH=OFF \
        -DGAMEVRAK_GAME_DATA="$GAME_DIR" >"$WORK/configure-$arch.log" 2>&1 ||
        fail "configure: $(tail -n 20 "$WORK/configure-$arch.log")"
    cmake --build "$build" --target gamevrak gamevrak-win32-tests windows-package >"$WORK/build-$arch.log" 2>&1 ||
        fail "build: $(grep -m 20 -E 'error|FAILED' "$WORK/build-$arch.log")"
    [ "$arch" = i686 ] && format=pei-i386
    for exe in "$build/game/gamevrak.exe" "$build/tests/gamevrak-win32-tests.exe"; do
        "$arch-w64-mingw32-objdump" -f "$exe" | grep -q "file format $format" || fail "$exe is not $format"
        for dll in $("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
            case " gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll winmm.dll " in
            *" $dll "*) ;;
            *) fail "$(basename "$exe") imports $dll, not a system DLL" ;;
            esac
        done
    done
    echo "$NAME: $arch ($format) built, importing only system DLLs"
}
build_for i686 # always built: what players get
[ "$ARCH" = i686 ] || build_for "$ARCH"
BUILD="$BASE/build-$ARCH"

(cd "$BASE/run" && cmake -E tar xf "$BUILD/gamevrak-windows.zip") || fail "cannot unpack the zip"
GAME="$BASE/run/gamevrak"
[ -f "$GAME/gamevrak.exe" ] && [ -d "$GAME/map" ] && [ -z "$(ls -A "$GAME/map")" ] || fail "no game or empty map folder"
for f in 'bmp_cross/*.bmp' 'bmp_unit/*.bmp' 'bmp_land/*.bmp' 'bmp_dungeon/*.bmp' 'bmp_structure/*.bmp' \
    'bmp_item/*.bmp' sound/scream1b.wav sound/fire2a.wav sound/swish2a.wav; do
    compgen -G "$GAME/$f" >/dev/null || fail "no $f in the zip"
done

start_xvfb
wine_prefix_wait || fail "wineboot: $(tail -n 20 "$WORK/wineboot.log")"
wineserver -p

timeout 300 "$WINE" "$BUILD/tests/gamevrak-win32-tests.exe" >"$WORK/backend.log" 2>&1
CODE=$?
grep -E '^FAILED|passed' "$WORK/backend.log"
[ "$CODE" -eq 0 ] || fail "backend checks ended with $CODE"

reference "$REPLAY" "$GAME_DIR"
# Without a window manager Wine takes the focus only when X gives it.
press() {
    local id
    id=$(game_window)
    [ -n "$id" ] && timeout 10 xdotool windowfocus --sync "$id" && sleep 0.3 && xdotool key "$1"
}

# Started from a folder without the data folders, it must move to its own.
(cd "$WORK" && exec "$WINE" "$GAME/gamevrak.exe") >"$WORK/game.log" 2>&1 &
GAME_PID=$!
expect_window "0 0 1280 960" 2 300 "start"
press F5 || fail "no window to send F5 to"
expect_window "0 0 640 480" 1 60 "F5 through the keyboard hook"
expect_escape_ends press
cat "$WORK/checks.log"
if [ -n "$WINE32_MISSING" ]; then
    skipped_32bit "$BASE" "$NAME" "game (the x86-64 one passed)"
    exit 77
fi
echo "$NAME: passed ($ARCH)"
