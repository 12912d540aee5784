# Shared by the end-to-end scripts, sourced with NAME and WORK set.

fail() { echo "$NAME: FAIL: $* (logs and screenshots in $WORK)" && exit 1; }

XVFB_PID=""
GAME_PID=""
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

need() { for tool in "$@"; do command -v "$tool" >/dev/null || fail "$tool is missing (see scripts/install-deps.sh)"; done; }

wait_for() { # seconds command...: every 0.2 s until it succeeds or the time is up
    local until=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$until" ] && return 1
        sleep 0.2
    done
}

# -displayfd: no collisions; -noreset keeps the server up while the game re-creates its window.
start_xvfb() { # [screen size]
    exec 3>"$WORK/display"
    Xvfb -displayfd 3 -screen 0 "${1:-1600x1200}x24" -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 3>&-
    wait_for 20 test -s "$WORK/display" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$(head -n1 "$WORK/display")"
}

reference() { # replay game_dir: frame 0 as the headless runner draws it
    "$1" --dir "$2" --frames 1 --shot "0:$WORK/reference.png" >"$WORK/replay.log" 2>&1 ||
        fail "the replay runner failed: $(cat "$WORK/replay.log")"
}

game_window() { xdotool search --name '^GAMEVRAK$' 2>/dev/null | head -n1; }
geometry() { # "X Y WIDTH HEIGHT" of the game window
    local id
    id=$(game_window) && [ -n "$id" ] && eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" &&
        echo "$X $Y $WIDTH $HEIGHT"
}
geometry_is() { [ "$(geometry)" = "$1" ]; }
game_running() { kill -0 "$GAME_PID" 2>/dev/null; }

yellow_mask() { # in.png region out.png [convert options]: white where the region is pure yellow
    convert "$1" -crop "$2" +repage "${@:4}" -fill black +opaque 'rgb(255,255,0)' \
        -fill white -opaque 'rgb(255,255,0)' -type Grayscale "$3"
}
white_count() { convert "$1" -format '%[fx:round(mean*w*h)]' info:; }

# Every yellow pixel of the reference build line shows as a zoom x zoom block, and not much other yellow.
build_line_matches() { # zoom [left top]: where the picture starts on the screen
    local zoom=$1 left=${2:-0} top=${3:-0} ref win both
    import -window root "$WORK/window-$zoom.png" 2>/dev/null || return 1
    yellow_mask "$WORK/reference.png" 640x24+0+0 "$WORK/ref-$zoom.png" -sample "$((zoom * 100))%"
    yellow_mask "$WORK/window-$zoom.png" "$((640 * zoom))x$((24 * zoom))+$left+$top" "$WORK/win-$zoom.png"
    convert "$WORK/ref-$zoom.png" "$WORK/win-$zoom.png" -compose Multiply -composite "$WORK/both-$zoom.png"
    ref=$(white_count "$WORK/ref-$zoom.png")
    win=$(white_count "$WORK/win-$zoom.png")
    both=$(white_count "$WORK/both-$zoom.png")
    echo "zoom $zoom: build line $ref yellow pixels, window $win, in both $both" >>"$WORK/checks.log"
    [ "$ref" -ge $((300 * zoom * zoom)) ] && [ "$both" -eq "$ref" ] && [ "$win" -le $((ref + ref / 10)) ]
}

expect_window() { # "X Y W H" zoom seconds what [left top]: the window, then the build line at its zoom
    wait_for "$3" geometry_is "$1" || fail "$4: no $1 window; got '$(geometry)'"
    wait_for 30 build_line_matches "$2" "${5:-0}" "${6:-0}" || fail "$4: build line at zoom $2: $(tail -n1 "$WORK/checks.log")"
    echo "$NAME: $4: window $1, build line drawn at zoom $2"
}

expect_escape_ends() { # press-command: Escape ends the game with exit code 0
    "$@" Escape || fail "no window to send Escape to"
    wait_for 30 eval '! game_running' || fail "Escape did not end the game"
    wait "$GAME_PID"
    local code=$?
    GAME_PID=""
    [ "$code" -eq 0 ] || fail "the game ended with exit code $code: $(tail -n 20 "$WORK/game.log")"
    echo "$NAME: Escape ends the game with exit code 0"
}
