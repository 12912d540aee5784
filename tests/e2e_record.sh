#!/usr/bin/env bash
# e2e_record.sh GAMEVRAK GAMEVRAK_REPLAY: a session of the real game recorded under Xvfb replays to the same end.
set -uo pipefail
NAME=e2e-record GAME=$1 REPLAY=$2
GAME_DIR=$(cd "$(dirname "$GAME")" && pwd)
WORK=$(mktemp -d /tmp/gamevrak-record.XXXXXX)
source "$(dirname "$0")/e2e_lib.sh"
need Xvfb xdotool

env -u DISPLAY "$GAME" --record "$WORK/no/folder.txt" 2>"$WORK/unwritable.log" # refused before any window
[ $? -eq 2 ] && grep -q "cannot write the recording" "$WORK/unwritable.log" || fail "unwritable: $(cat "$WORK/unwritable.log")"
start_xvfb 2000x1500
export SDL_AUDIODRIVER=dummy

point() { # zoom x y: the pointer on picture pixel (x, y); SDL sees a move only with a real step after it
    xdotool mousemove $(($2 * $1 + $1 / 2)) $(((480 - $3) * $1 - $1 / 2)) mousemove_relative 1 0 mousemove_relative -- -1 0
    sleep 0.3
}
start() { # recording window [options]: once the header is there, start-up is over
    local file=$1 window=$2
    shift 2
    (cd / && exec "$GAME" --record "$file" "$@") >"$file.out" 2>"$file.err" &
    GAME_PID=$!
    wait_for 60 geometry_is "$window" || fail "no window $window for $*: $(cat "$file.err")"
    wait_for 60 grep -q '^zoom' "$file" || fail "no header in $file"
}

start "$WORK/session.txt" "0 0 1920 1440" --zoom 4 # too large for 2000 x 1500
grep -q "zoom 3" "$WORK/session.txt.err" || fail "no word of zoom 3: $(cat "$WORK/session.txt.err")"
point 3 8 8 && xdotool click 1    # select the party member on the view's bottom-left cell
point 3 24 8 && xdotool key d     # break through the wall on its right
point 3 104 56 && xdotool click 3 # a walk order
xdotool key Tab && xdotool type --delay 150 env4block && xdotool key Return Tab && sleep 1
xdotool key F5 && wait_for 20 geometry_is "0 0 640 480" || fail "F5 did not give 640 x 480"
point 1 72 40 && xdotool click 3 # another walk order
xdotool key F6 && wait_for 20 geometry_is "0 0 1280 960" || fail "F6 did not give 1280 x 960"
expect_escape_ends xdotool key
"$REPLAY" --dir "$GAME_DIR" --frames 100000000 --script "$WORK/session.txt" >"$WORK/replay.out"
[ "$(grep -c . "$WORK/session.txt.out")" -eq 4 ] && cmp -s "$WORK/session.txt.out" "$WORK/replay.out" ||
    fail "game and replay end differently: $(paste "$WORK/session.txt.out" "$WORK/replay.out")"
"$REPLAY" --dir "$GAME_DIR" --frames 0 | grep -e mainmap -e units | grep -q -x -f - "$WORK/replay.out" && fail "no change"

# A crash: every frame is flushed, and what is there replays.
start "$WORK/crash.txt" "0 0 1280 960"
point 2 104 56 && xdotool click 3
wait_for 20 grep -q rclick "$WORK/crash.txt" || fail "the walk order did not reach the file while the game ran"
kill -KILL "$GAME_PID" && wait "$GAME_PID" 2>/dev/null
GAME_PID=""
"$REPLAY" --dir "$GAME_DIR" --frames 1000 --script "$WORK/crash.txt" >/dev/null || fail "the crashed session does not replay"
echo "$NAME: passed, the session replayed to $(head -n1 "$WORK/replay.out")"
rm -rf "$WORK"
