#!/usr/bin/env bash
# The Debian package installed and played (docs/testing.md): e2e_package.sh BUILD_DIR. Needs root or
# password-free sudo for dpkg.
set -uo pipefail
NAME=e2e-package BUILD=$1
WORK=$(mktemp -d /tmp/gamevrak-e2e-package.XXXXXX)
source "$(dirname "$0")/e2e_lib.sh"
need Xvfb xdotool cpack dpkg lintian timeout
SUDO=""
[ "$(id -u)" -eq 0 ] || { sudo -n true 2>/dev/null && SUDO="sudo -n"; } || fail "dpkg needs root or password-free sudo"

INSTALLED=""
dpkg_waiting() { # dpkg's arguments: tried again while another helper's apt or dpkg holds the lock
    for _ in $(seq 60); do
        $SUDO dpkg "$@" >"$WORK/dpkg.log" 2>&1 && return 0
        grep -q "lock" "$WORK/dpkg.log" || return 1
        sleep 5
    done
    return 1
}
trap 'cleanup; [ -n "$INSTALLED" ] && dpkg_waiting -r gamevrak' EXIT

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/pack" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -n 20 "$WORK/cpack.log")"
DEB=$(ls "$WORK"/pack/gamevrak_*_amd64.deb 2>/dev/null | head -n1)
[ -n "$DEB" ] || fail "no gamevrak_<version>_amd64.deb: $(ls "$WORK/pack")"
lintian --no-tag-display-limit "$DEB" >"$WORK/lintian.log" 2>&1
grep -q "^[EW]:" "$WORK/lintian.log" && fail "lintian: $(grep '^[EW]:' "$WORK/lintian.log")"
dpkg-deb -f "$DEB" Depends | grep -q "libsdl2" || fail "Depends names no SDL2: $(dpkg-deb -f "$DEB" Depends)"

dpkg_waiting -i "$DEB" && INSTALLED=1 || fail "dpkg -i failed: $(tail -n 5 "$WORK/dpkg.log")"
for f in /usr/games/gamevrak /usr/share/applications/gamevrak.desktop /usr/share/icons/hicolor/48x48/apps/gamevrak.png \
    /usr/share/doc/gamevrak/copyright /usr/share/doc/gamevrak/changelog.gz /usr/share/man/man6/gamevrak.6.gz /usr/share/games/gamevrak/bmp_unit; do
    [ -e "$f" ] || fail "the package did not install $f"
done

start_xvfb
export SDL_AUDIODRIVER=dummy
PLAYER_HOME="$WORK/home"
mkdir "$PLAYER_HOME"
SAVES="$PLAYER_HOME/.local/share/gamevrak/map"
(cd / && exec env -u XDG_DATA_HOME HOME="$PLAYER_HOME" PATH="/usr/games:$PATH" gamevrak) >"$WORK/game.log" 2>&1 &
GAME_PID=$!
wait_for 60 geometry_is "0 0 1280 960" || fail "no game window; got '$(geometry)': $(cat "$WORK/game.log")"
[ "$(readlink "/proc/$GAME_PID/cwd")" = /usr/share/games/gamevrak ] ||
    fail "the game runs in $(readlink "/proc/$GAME_PID/cwd")"
[ -e "$PLAYER_HOME/.local" ] && fail "the save folder was made before the first save"

SLOT_FILES="1.mainmap 1.flagmap 1.unit 1.pathfind 1.variables"
all_saved() { for f in $SLOT_FILES; do [ -s "$SAVES/$f" ] || return 1; done; }
xdotool key F1
wait_for 60 all_saved || fail "F1 left $(ls "$SAVES" 2>&1 | tr '\n' ' ')in $SAVES"
[ "$(ls "$SAVES" | wc -l)" -eq 5 ] || fail "more than the five slot files: $(ls "$SAVES")"
[ -e /usr/share/games/gamevrak/map ] && fail "the game wrote into the package's folder"
echo "$NAME: F1 saves the five files of slot 1 in ~/.local/share/gamevrak/map"
expect_escape_ends xdotool key

dpkg_waiting -r gamevrak || fail "dpkg -r failed: $(tail -n 5 "$WORK/dpkg.log")"
INSTALLED=""
[ -e /usr/games/gamevrak ] && fail "dpkg -r left /usr/games/gamevrak"
all_saved || fail "removing the package took the saves"
rm -rf "$WORK"
echo "$NAME: passed"
