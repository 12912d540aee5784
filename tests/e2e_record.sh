#!/usr/bin/env bash
# e2e_record.sh GAMEVRAK GAMEVRAK_REPLAY: a session of the real game under Xvfb,
# recorded with real X input, replays in the headless runner to the same four summary lines.
set -uo pipefail
GAME=$1 REPLAY=$2
GAME_DIR=$(cd "$(dirname "$GAME")" && pwd)
WORK=$(mktemp -d /tmp/gamevrak-record.XXXXXX)
STATUS=1 PIDS=()
trap 'kill "${PIDS[@]}" 2>/dev/null; wait; [ $STATUS -eq 0 ] && rm -rf "$WORK" || echo "e2e-record: kept $WORK"' EXIT
fail() { echo "e2e-record: FAIL: $*" && exit 1; }
wait_for() { # seconds command...
    local until=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 0.2
    done
}

env -u DISPLAY "$GAME" --record "$WORK/no/folder.txt" 2>"$WORK/unwritable.log" # refused before any window
[ $? -eq 2 ] && grep -q "cannot write the recording" "$WORK/unwritable.log" || fail "unwritable: $(cat "$WORK/unwritable.log")"
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 2000x1500x24 -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
exec 3>&-
wait_for 20 test -s "$WORK/display" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export DISPLAY=":$(head -n1 "$WORK/display")"

window_is() { # "X Y WIDTH HEIGHT"
    local X="" Y="" WIDTH="" HEIGHT=""
    eval "$(xdotool search --name '^GAMEVRAK$' getwindowgeometry --shell 2>/dev/null)"
    [ "$X $Y $WIDTH $HEIGHT" = "$1" ]
}
point() { # zoom x y: the pointer on picture pixel (x, y); SDL sees a move only with a real step after it
    xdotool mousemove $(($2 * $1 + $1 / 2)) $(((480 - $3) * $1 - $1 / 2)) mousemove_relative 1 0 mousemove_relative -- -1 0
    sleep 0.3
}
start() { # recording window [options]: once the header is there, start-up is over
    local file=$1 window=$2
    shift 2
    (cd / && exec "$GAME" --record "$file" "$@") >"$file.out" 2>"$file.err" &
    PIDS+=($!)
    wait_for 60 window_is "$window" || fail "no window $window for $*: $(cat "$file.err")"
    wait_for 60 grep -q '^zoom' "$file" || fail "no header in $file"
}

start "$WORK/session.txt" "0 0 1920 1440" --zoom 4 # too large for 2000 x 1500
grep -q "zoom 3" "$WORK/session.txt.err" || fail "no word of zoom 3: $(cat "$WORK/session.txt.err")"
point 3 8 8 && xdotool click 1    # select the party member on the view's bottom-left cell
point 3 24 8 && xdotool key d     # break through the wall on its right
point 3 104 56 && xdotool click 3 # a walk order
xdotool key Tab && xdotool type --delay 150 env4block && xdotool key Return Tab && sleep 1
xdotool key F5 && wait_for 20 window_is "0 0 640 480" || fail "F5 did not give 640 x 480"
point 1 72 40 && xdotool click 3 # another walk order
xdotool key F6 && wait_for 20 window_is "0 0 1280 960" || fail "F6 did not give 1280 x 960"
xdotool key Escape
wait "${PIDS[-1]}" || fail "the game ended with exit code $?"
"$REPLAY" --dir "$GAME_DIR" --frames 100000000 --script "$WORK/session.txt" >"$WORK/replay.out"
[ "$(grep -c . "$WORK/session.txt.out")" -eq 4 ] && cmp -s "$WORK/session.txt.out" "$WORK/replay.out" ||
    fail "game and replay end differently: $(paste "$WORK/session.txt.out" "$WORK/replay.out")"
"$REPLAY" --dir "$GAME_DIR" --frames 0 | grep -e mainmap -e units | grep -q -x -f - "$WORK/replay.out" && fail "no change"

# A crash: every frame is flushed, and what is there replays.
start "$WORK/crash.txt" "0 0 1280 960"
point 2 104 56 && xdotool click 3
wait_for 20 grep -q rclick "$WORK/crash.txt" || fail "the walk order did not reach the file while the game ran"
kill -KILL "${PIDS[-1]}" && wait "${PIDS[-1]}" 2>/dev/null
"$REPLAY" --dir "$GAME_DIR" --frames 1000 --script "$WORK/crash.txt" >/dev/null || fail "the crashed session does not replay"
STATUS=0
echo "e2e-record: passed, the session replayed to $(head -n1 "$WORK/replay.out")"
