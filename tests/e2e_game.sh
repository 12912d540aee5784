#!/usr/bin/env bash
# End-to-end test of the real windowed game under Xvfb, driven by xdotool:
#   e2e_game.sh GAMEVRAK GAMEVRAK_REPLAY
# The build line the window shows must match, pixel for pixel at the zoom, the
# one the headless runner draws; F5 and F6 must re-create the window at 640 x 480
# and 1280 x 960; Escape must end the process with exit code 0.
set -uo pipefail

GAME=$1
REPLAY=$2
GAME_DIR=$(cd "$(dirname "$GAME")" && pwd)

for tool in Xvfb xdotool import convert timeout; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

WORK=$(mktemp -d /tmp/gamevrak-e2e.XXXXXX)
XVFB_PID=""
GAME_PID=""
STATUS=1

cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    if [ "$STATUS" -eq 0 ]; then rm -rf "$WORK"; else echo "e2e: screenshots and logs kept in $WORK"; fi
}
trap cleanup EXIT

fail() {
    echo "e2e: FAIL: $*"
    exit 1
}

# Runs a command every 0.2 s until it succeeds or the given seconds have passed.
wait_for() {
    local until=$((SECONDS + $1))
    shift
    while true; do
        "$@" && return 0
        [ "$SECONDS" -ge "$until" ] && return 1
        sleep 0.2
    done
}

# ---- no desktop to open the window on -----------------------------------------
# The failure is reported (message box and stderr) and the game ends with exit code 0.
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout -k 5 60 "$GAME" \
    >"$WORK/no-display.log" 2>&1
CODE=$?
[ "$CODE" -eq 0 ] || fail "without a display the game ended with exit code $CODE: $(cat "$WORK/no-display.log")"
grep -qx "ERROR: Failed To Register The Window Class." "$WORK/no-display.log" ||
    fail "without a display the game did not report it: $(cat "$WORK/no-display.log")"
echo "e2e: without a display: \"Failed To Register The Window Class.\", exit code 0"

# ---- the X server -----------------------------------------------------------
# -noreset: the server must outlive the game's connection when F5/F6 re-create the window.
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 3>&-
wait_for 20 test -s "$WORK/display" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export DISPLAY=":$(head -n1 "$WORK/display")"
export SDL_AUDIODRIVER=dummy
echo "e2e: Xvfb on $DISPLAY"

# ---- the reference picture from the headless runner -------------------------
"$REPLAY" --dir "$GAME_DIR" --frames 1 --shot "0:$WORK/reference.png" >"$WORK/replay.log" 2>&1 ||
    fail "the replay runner failed: $(cat "$WORK/replay.log")"

# ---- helpers over the window and the screen ----------------------------------
game_window() {
    xdotool search --name '^GAMEVRAK$' 2>/dev/null | head -n1
}

# "X Y WIDTH HEIGHT" of the game window.
geometry() {
    local id
    id=$(game_window)
    [ -n "$id" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || return 1
    echo "$X $Y $WIDTH $HEIGHT"
}

geometry_is() {
    [ "$(geometry)" = "$1" ]
}

# Mask of the pure yellow (255, 255, 0) pixels of a region: white where yellow.
yellow_mask() { # in.png geometry out.png [extra convert options]
    local in=$1 region=$2 out=$3
    shift 3
    convert "$in" -crop "$region" +repage "$@" -fill black +opaque 'rgb(255,255,0)' \
        -fill white -opaque 'rgb(255,255,0)' -type Grayscale "$out"
}

white_count() {
    convert "$1" -format '%[fx:round(mean*w*h)]' info:
}

# The build line of the reference (top 24 rows of the 640 x 480 picture) must
# appear in the window at the given zoom: every one of its yellow pixels as a
# zoom x zoom block of yellow, and not much yellow besides.
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
    echo "e2e: zoom $zoom: build line $ref yellow pixels, window $win, in both $both" >>"$WORK/checks.log"
    [ "$ref" -ge $((300 * zoom * zoom)) ] && [ "$both" -eq "$ref" ] && [ "$win" -le $((ref + ref / 10)) ]
}

# The game's own cross cursor (white, arms of 5 buffer pixels) on the pointer.
# A pointer at window row y reads buffer row (960 - y) / 2, which the zoomed
# picture shows on window rows y - 2 and y - 1.
cross_at() { # window x y at zoom 2
    local x=$1 y=$(($2 - 1)) shot="$WORK/cross.png" white=""
    import -window root "$shot" 2>/dev/null || return 1
    for p in "$x,$y" "$((x + 10)),$y" "$((x - 10)),$y" "$x,$((y + 10))" "$x,$((y - 10))"; do
        white="$white u.p{$p}.r+u.p{$p}.g+u.p{$p}.b==3 &&"
    done
    [ "$(convert "$shot" -format "%[fx:$white u.p{$((x + 14)),$y}.r<1]" info:)" = 1 ]
}

# SDL refreshes its global pointer position only on real pointer motion: an
# absolute move alone is not seen, so a relative step there and back follows.
point_at() {
    xdotool mousemove "$1" "$2" mousemove_relative 1 0 mousemove_relative -- -1 0
}

press() {
    xdotool key "$1"
}

game_running() {
    kill -0 "$GAME_PID" 2>/dev/null
}

# ---- the game ------------------------------------------------------------------
point_at 1500 1100 # away from the build line while the game starts
# Started from a folder without the data folders, it must move to its own.
(cd / && exec "$GAME") >"$WORK/game.log" 2>&1 &
GAME_PID=$!

wait_for 60 geometry_is "0 0 1280 960" || fail "no 1280 x 960 window at (0, 0); got '$(geometry)'"
echo "e2e: window 1280 x 960 at (0, 0)"
[ "$(readlink "/proc/$GAME_PID/cwd")" = "$GAME_DIR" ] ||
    fail "the game runs in $(readlink "/proc/$GAME_PID/cwd"), not in $GAME_DIR"

wait_for 20 build_line_matches 2 || fail "build line at zoom 2: $(tail -n1 "$WORK/checks.log")"
echo "e2e: build line drawn at zoom 2"

point_at 300 300
wait_for 20 cross_at 300 300 || fail "no cross cursor at the pointer (300, 300)"
echo "e2e: cross cursor follows the pointer"

press F5
wait_for 20 geometry_is "0 0 640 480" || fail "F5 did not give a 640 x 480 window; got '$(geometry)'"
echo "e2e: F5 gives 640 x 480"
wait_for 20 build_line_matches 1 || fail "build line at zoom 1: $(tail -n1 "$WORK/checks.log")"
echo "e2e: build line drawn at zoom 1"

press F6
wait_for 20 geometry_is "0 0 1280 960" || fail "F6 did not give a 1280 x 960 window; got '$(geometry)'"
echo "e2e: F6 gives 1280 x 960 again"
wait_for 20 build_line_matches 2 || fail "build line after F6: $(tail -n1 "$WORK/checks.log")"

press Escape
wait_for 20 eval '! game_running' || fail "Escape did not end the game"
wait "$GAME_PID"
CODE=$?
GAME_PID=""
[ "$CODE" -eq 0 ] || fail "the game ended with exit code $CODE: $(cat "$WORK/game.log")"
echo "e2e: Escape ends the game with exit code 0"

cat "$WORK/checks.log"
STATUS=0
echo "e2e: passed"
