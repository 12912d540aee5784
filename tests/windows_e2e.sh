#!/usr/bin/env bash
# The Windows game end to end: cross-compiled with MinGW-w64, packed into its
# zip, and run from the unpacked zip under Wine with Xvfb:
#   windows_e2e.sh SOURCE_DIR WORK_DIR GAME_DIR GAMEVRAK_REPLAY
# GAME_DIR is a native build's game folder (the art and sound go into the zip);
# the replay runner draws the reference picture. The 32-bit game runs where a
# 32-bit Wine is installed; otherwise the same code is built for x86-64 and run
# under 64-bit Wine. Checks: only system DLLs imported; the zip's contents; the
# backend checks (gamevrak-win32-tests); the window at (0, 0) at 1280 x 960; the
# build line and the map as the headless runner draws them; F5 through the
# keyboard hook gives 640 x 480; Escape ends the game with exit code 0.
set -uo pipefail

SRC=$1
WORK=$2
GAME_DIR=$3
REPLAY=$4

fail() {
    echo "windows-e2e: FAIL: $*"
    exit 1
}

if [ -x /usr/lib/wine/wine ]; then
    ARCH=i686 # a 32-bit Wine is there: run the executable players get
else
    ARCH=x86_64
fi
TRIPLE=$ARCH-w64-mingw32
for tool in i686-w64-mingw32-g++ i686-w64-mingw32-objdump "$TRIPLE-g++" "$TRIPLE-objdump" wine wineserver Xvfb xdotool import convert cmake ninja; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
LOGS="$WORK/logs"
rm -rf "$LOGS" "$WORK/run"
mkdir -p "$LOGS" "$WORK/run"

# ---- cross builds and zip ------------------------------------------------------
ALLOWED=" gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll winmm.dll "

build_for() { # arch: the game, the backend checks and the zip, importing only system DLLs
    local arch=$1 build="$WORK/build-$1" triple=$1-w64-mingw32 format exe dll dlls
    echo "windows-e2e: building the $arch game in $build"
    cmake -S "$SRC" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DGAMEVRAK_SDL=OFF -DGAMEVRAK_TESTS=OFF -DGAMEVRAK_BENCH=OFF \
        -DGAMEVRAK_GAME_DATA="$GAME_DIR" >"$LOGS/configure-$arch.log" 2>&1 ||
        fail "configure: $(tail -n 20 "$LOGS/configure-$arch.log")"
    cmake --build "$build" --target gamevrak gamevrak-win32-tests windows-package >"$LOGS/build-$arch.log" 2>&1 ||
        fail "build: $(grep -m 20 -E 'error|FAILED' "$LOGS/build-$arch.log")"
    [ "$arch" = i686 ] && format=pei-i386 || format=pei-x86-64
    for exe in "$build/game/gamevrak.exe" "$build/tests/gamevrak-win32-tests.exe"; do
        "$triple-objdump" -f "$exe" | grep -q "file format $format" || fail "$exe is not $format"
        dlls=$("$triple-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
        [ -n "$dlls" ] || fail "no imports read from $exe"
        for dll in $dlls; do
            case "$ALLOWED" in *" $dll "*) ;; *) fail "$(basename "$exe") imports $dll, not a system DLL" ;; esac
        done
    done
    echo "windows-e2e: $arch ($format) imports only system DLLs:" $dlls
}

# The 32-bit game is what players get: it is always built, even where only
# the 64-bit one can run.
build_for i686
[ "$ARCH" = i686 ] || build_for "$ARCH"
BUILD="$WORK/build-$ARCH"

(cd "$WORK/run" && cmake -E tar xf "$BUILD/gamevrak-windows.zip") || fail "cannot unpack the zip"
GAME="$WORK/run/gamevrak"
[ -f "$GAME/gamevrak.exe" ] || fail "no gamevrak/gamevrak.exe in the zip"
[ -d "$GAME/map" ] && [ -z "$(ls -A "$GAME/map")" ] || fail "no empty map folder in the zip"
for d in bmp_cross bmp_unit bmp_land bmp_dungeon bmp_structure bmp_item; do
    [ -n "$(ls "$GAME/$d"/*.bmp 2>/dev/null)" ] || fail "no bitmaps in $d in the zip"
done
for w in scream1b fire2a swish2a; do
    [ -f "$GAME/sound/$w.wav" ] || fail "no sound/$w.wav in the zip"
done
echo "windows-e2e: the zip holds the game, bmp_*, sound and an empty map folder"

# ---- X server and Wine ---------------------------------------------------------
XVFB_PID=""
GAME_PID=""
export WINEPREFIX="$WORK/wineprefix-$ARCH"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installers

cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

wait_for() { # seconds command...
    local until=$((SECONDS + $1))
    shift
    while true; do
        "$@" && return 0
        [ "$SECONDS" -ge "$until" ] && return 1
        sleep 0.2
    done
}

exec 3>"$LOGS/display"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -noreset -nolisten tcp >"$LOGS/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 3>&-
wait_for 20 test -s "$LOGS/display" || fail "Xvfb did not start: $(cat "$LOGS/xvfb.log")"
export DISPLAY=":$(head -n1 "$LOGS/display")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "windows-e2e: making the Wine prefix"
    timeout 180 wineboot --init >"$LOGS/wineboot.log" 2>&1 || fail "wineboot: $(tail -n 20 "$LOGS/wineboot.log")"
    timeout 60 wineserver -w
fi

# ---- the backend against the system ----------------------------------------------
timeout 180 wine "$BUILD/tests/gamevrak-win32-tests.exe" >"$LOGS/backend.log" 2>"$LOGS/backend.err"
CODE=$?
grep -E '^FAILED|passed' "$LOGS/backend.log"
[ "$CODE" -eq 0 ] || fail "backend checks ended with $CODE"

# ---- the game ------------------------------------------------------------------------
"$REPLAY" --dir "$GAME_DIR" --frames 1 --shot "0:$WORK/reference.png" >"$LOGS/replay.log" 2>&1 ||
    fail "the replay runner failed: $(cat "$LOGS/replay.log")"

game_window() {
    xdotool search --name '^GAMEVRAK$' 2>/dev/null | head -n1
}

geometry() { # "X Y WIDTH HEIGHT" of the game window
    local id
    id=$(game_window)
    [ -n "$id" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || return 1
    echo "$X $Y $WIDTH $HEIGHT"
}

geometry_is() {
    [ "$(geometry)" = "$1" ]
}

yellow_mask() { # in.png region out.png [convert options]: white where pure yellow
    local in=$1 region=$2 out=$3
    shift 3
    convert "$in" -crop "$region" +repage "$@" -fill black +opaque 'rgb(255,255,0)' \
        -fill white -opaque 'rgb(255,255,0)' -type Grayscale "$out"
}

white_count() {
    convert "$1" -format '%[fx:round(mean*w*h)]' info:
}

# Every yellow pixel of the reference build line shows as a zoom x zoom block.
build_line_matches() { # zoom
    local zoom=$1 shot="$WORK/window-$1.png"
    import -window root "$shot" 2>/dev/null || return 1
    yellow_mask "$WORK/reference.png" 640x24+0+0 "$WORK/ref-$zoom.png" -sample "$((zoom * 100))%"
    yellow_mask "$shot" "$((640 * zoom))x$((24 * zoom))+0+0" "$WORK/win-$zoom.png"
    convert "$WORK/ref-$zoom.png" "$WORK/win-$zoom.png" -compose Multiply -composite "$WORK/both-$zoom.png"
    local ref win both
    ref=$(white_count "$WORK/ref-$zoom.png")
    win=$(white_count "$WORK/win-$zoom.png")
    both=$(white_count "$WORK/both-$zoom.png")
    echo "zoom $zoom: build line $ref yellow pixels, window $win, in both $both" >>"$LOGS/checks.log"
    [ "$ref" -ge $((300 * zoom * zoom)) ] && [ "$both" -eq "$ref" ] && [ "$win" -le $((ref + ref / 10)) ]
}

# The world and its art as the headless runner draws frame 0: most of the map
# area (rows 60 to 420 of the buffer, clear of the status lines) is the same
# pixel for pixel; units and effects that moved since account for the rest.
# Without the art the floors and walls would be black.
map_matches() {
    local shot="$WORK/window-map.png"
    import -window root "$shot" 2>/dev/null || return 1
    convert "$shot" -crop 1280x960+0+0 +repage -sample 50% -crop 640x360+0+60 +repage "$WORK/win-map.png"
    convert "$WORK/reference.png" -crop 640x360+0+60 +repage "$WORK/ref-map.png"
    local differing
    differing=$(compare -metric AE "$WORK/ref-map.png" "$WORK/win-map.png" null: 2>&1)
    echo "map: $differing of 230400 pixels differ from the reference" >>"$LOGS/checks.log"
    [ "${differing%%.*}" -le 23040 ] 2>/dev/null
}

game_running() {
    kill -0 "$GAME_PID" 2>/dev/null
}

# Without a window manager Wine takes the focus only when X gives it.
press() {
    local id
    id=$(game_window)
    [ -n "$id" ] || return 1
    timeout 10 xdotool windowfocus --sync "$id" && sleep 0.3 && xdotool key "$1"
}

# Started from a folder without the data folders, it must move to its own.
(cd "$WORK" && exec wine "$GAME/gamevrak.exe") >"$LOGS/game.log" 2>&1 &
GAME_PID=$!

wait_for 120 geometry_is "0 0 1280 960" ||
    fail "no 1280 x 960 window at (0, 0); got '$(geometry)'; $(xdotool search --name . getwindowname %@ 2>/dev/null | head)"
echo "windows-e2e: window 1280 x 960 at (0, 0)"

wait_for 30 build_line_matches 2 || fail "build line at zoom 2: $(tail -n1 "$LOGS/checks.log")"
echo "windows-e2e: build line drawn at zoom 2"
wait_for 20 map_matches || fail "the map: $(tail -n1 "$LOGS/checks.log")"
echo "windows-e2e: the map and its art as the headless runner draws them"

press F5 || fail "no window to send F5 to"
wait_for 30 geometry_is "0 0 640 480" || fail "F5 did not give a 640 x 480 window; got '$(geometry)'"
echo "windows-e2e: F5 reached the keyboard hook: 640 x 480"
wait_for 30 build_line_matches 1 || fail "build line at zoom 1: $(tail -n1 "$LOGS/checks.log")"
echo "windows-e2e: build line drawn at zoom 1"

press Escape || fail "no window to send Escape to"
wait_for 30 eval '! game_running' || fail "Escape did not end the game"
wait "$GAME_PID"
CODE=$?
GAME_PID=""
[ "$CODE" -eq 0 ] || fail "the game ended with exit code $CODE: $(tail -n 20 "$LOGS/game.log")"
echo "windows-e2e: Escape ends the game with exit code 0"

cat "$LOGS/checks.log"
echo "windows-e2e: passed ($ARCH)"
