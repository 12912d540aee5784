#!/usr/bin/env bash
# same_bits.sh GAME_DIR OUT REFERENCE [wine] RUNNER (HACKING.md): OUT/SESSION.txt must equal REFERENCE's
# ("-": none). SAME_BITS_INPUTS=DIR keeps each session's start folder in DIR/SESSION, for runners that play
# elsewhere; SAME_BITS_PARALLEL plays the sessions side by side, for runners whose every start is slow.
set -uo pipefail
fail() { echo "same-bits: FAIL: $*" && exit 1; }
[ "$3" = - ] || [ -d "$3" ] || fail "no record in $3: run the default build's tests first"
mkdir -p "$2"
GAME=$(cd "$1" && pwd) OUT=$(cd "$2" && pwd) REF=$3 SCENARIOS=$(cd "$(dirname "$0")/scenarios" && pwd)
shift 3
RUNNER=("$@")
play() { # session
    local s=$1 dir="$OUT/$1" frames
    rm -rf "$dir" && mkdir -p "$dir/map"
    ln -s "$GAME"/bmp_* "$GAME/sound" "$dir/"
    if [ "$s" = party_fire ]; then # slot 2: the start, member 36 with the 27 quest items fire needs
        echo "2 key F2" >"$dir/start.txt"
        (cd "$dir" && "${RUNNER[@]}" --frames 3 --script start.txt >/dev/null) || fail "$s: the start was not saved"
        printf '\033\000' | dd of="$dir/map/2.unit" bs=1 seek=$((36 * 190 + 32)) conv=notrunc status=none
    fi
    if [ -n "${SAME_BITS_INPUTS:-}" ]; then
        mkdir -p "$SAME_BITS_INPUTS/$s" && find "$dir/map" -type f -exec ln -f {} "$SAME_BITS_INPUTS/$s/" \;
    fi
    frames=$(awk '/^[0-9]/ {f = $1} END {print f + 2}' "$SCENARIOS/$s.txt")
    (cd "$dir" && "${RUNNER[@]}" --frames "$frames" --script "$SCENARIOS/$s.txt") >"$dir/out.txt" 2>"$dir/err.txt" ||
        fail "$s: the runner failed: $(cat "$dir/err.txt")"
    for f in mainmap flagmap unit pathfind variables; do
        [ -f "$dir/map/1.$f" ] || fail "$s: map/1.$f was not saved"
    done
    { tr -d '\r' <"$dir/out.txt" && (cd "$dir/map" && sha256sum 1.*); } >"$OUT/$s.txt"
    rm -rf "$dir"
    [ "$REF" = - ] || diff "$REF/$s.txt" "$OUT/$s.txt" >"$OUT/$s.diff" || fail "$s differs from $REF: $(cat "$OUT/$s.diff")"
    echo "same-bits: $s:" $(head -n 3 "$OUT/$s.txt")
}
pids=()
for s in key_pickup party_fire console_edits; do
    if [ -n "${SAME_BITS_PARALLEL:-}" ]; then
        play "$s" &
        pids+=($!)
    else
        play "$s"
    fi
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
[ "$failed" -eq 0 ] || exit 1
echo "same-bits: passed"
