#!/usr/bin/env bash
# The real windowed game under Xvfb, driven by xdotool (docs/testing.md): e2e_game.sh GAMEVRAK GAMEVRAK_REPLAY.
set -uo pipefail
NAME=e2e GAME=$1 REPLAY=$2
GAME_DIR=$(cd "$(dirname "$GAME")" && pwd)
WORK=$(mktemp -d /tmp/gamevrak-e2e.XXXXXX)
source "$(dirname "$0")/e2e_lib.sh"
need Xvfb xdotool import convert timeout

env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout -k 5 60 "$GAME" >"$WORK/no-display.log" 2>&1
CODE=$?
[ "$CODE" -eq 0 ] && grep -qx "ERROR: Failed To Register The Window Class." "$WORK/no-display.log" ||
    fail "without a display: exit code $CODE, $(cat "$WORK/no-display.log")"
echo "$NAME: without a display: \"Failed To Register The Window Class.\", exit code 0"

start_xvfb
export SDL_AUDIODRIVER=dummy
reference "$REPLAY" "$GAME_DIR"

# A pointer at window row y reads buffer row (960 - y) / 2, shown on window rows y - 2 and y - 1.
cross_at() { # window x y at zoom 2
    local x=$1 y=$(($2 - 1)) white=""
    import -window root "$WORK/cross.png" 2>/dev/null || return 1
    for p in "$x,$y" "$((x + 10)),$y" "$((x - 10)),$y" "$x,$((y + 10))" "$x,$((y - 10))"; do
        white="$white u.p{$p}.r+u.p{$p}.g+u.p{$p}.b==3 &&"
    done
    [ "$(convert "$WORK/cross.png" -format "%[fx:$white u.p{$((x + 14)),$y}.r<1]" info:)" = 1 ]
}

# SDL sees an absolute move only with real motion: a step there and back follows.
point_at() { xdotool mousemove "$1" "$2" mousemove_relative 1 0 mousemove_relative -- -1 0; }

point_at 1500 1100 # away from the build line while the game starts
(cd / && exec "$GAME") >"$WORK/game.log" 2>&1 &
GAME_PID=$!
expect_window "0 0 1280 960" 2 60 "start"
[ "$(readlink "/proc/$GAME_PID/cwd")" = "$GAME_DIR" ] || fail "the game runs in $(readlink "/proc/$GAME_PID/cwd")"
point_at 300 300
wait_for 20 cross_at 300 300 || fail "no cross cursor at the pointer (300, 300)"
echo "$NAME: cross cursor follows the pointer"
xdotool key F5
expect_window "0 0 640 480" 1 20 "F5"
xdotool key F6
expect_window "0 0 1280 960" 2 20 "F6"
expect_escape_ends xdotool key

# Full screen on the 1600 x 1200 screen: zoom 2 at (160, 120), zoom 1 at (480, 360).
point_at 1500 1100
(cd / && exec "$GAME" --fullscreen) >"$WORK/game.log" 2>&1 &
GAME_PID=$!
expect_window "0 0 1600 1200" 2 60 "full screen" 160 120
[ "$(convert "$WORK/window-2.png" -fill black -draw 'rectangle 160,120 1439,1079' -format '%[fx:maxima]' info:)" = 0 ] ||
    fail "full screen: the screen around the picture is not black"
point_at 460 420
wait_for 20 cross_at 460 420 || fail "full screen: no cross cursor at the pointer (460, 420)"
# The view goes back to the first party member through the mini-map, a click selects it, ] shows the second.
click_at() { point_at $((161 + 2 * $1)) $((1079 - 2 * $2)) && sleep 0.3 && xdotool click "$3" && sleep 0.5; }
map_shot() { import -window root "$WORK/shot.png" && convert "$WORK/shot.png" -crop 1000x680+160+280 +repage "$1"; }
xdotool key bracketright && sleep 0.5 && map_shot "$WORK/second.png"
xdotool key bracketright && sleep 0.5
click_at $((518 + (942 >> 4))) $((338 + (549 >> 4))) 3
click_at $((16 * (942 & 15) + 8)) $((16 * (549 & 15) + 8)) 1
xdotool key bracketright && sleep 0.5 && map_shot "$WORK/again.png"
DIFFERENT=$(compare -metric AE "$WORK/second.png" "$WORK/again.png" null: 2>&1)
[ "${DIFFERENT%.*}" -lt 34000 ] || fail "full screen: a click did not select the first party member ($DIFFERENT pixels differ)"
echo "$NAME: full screen: the cross cursor under the pointer, a click selects the first party member ($DIFFERENT map pixels differ)"
xdotool key F5
expect_window "0 0 1600 1200" 1 20 "full screen F5" 480 360
expect_escape_ends xdotool key
cat "$WORK/checks.log"
rm -rf "$WORK"
echo "$NAME: passed"
