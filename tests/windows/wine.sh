# Sourced by the Windows tests: Wine's environment, their one prefix, whether the 32-bit Wine runs here. Wine
# under qemu-user needs QEMU_RESERVED_VA; the 64-bit loader is called directly, as Debian's wine script would
# start the slow 32-bit one first.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QEMU_RESERVED_VA=0xffff0000
WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64

wine32_missing() { # why the 32-bit Wine cannot run here; nothing where it can
    if [ ! -x "$WINE32" ]; then
        echo "wine32:i386 is not installed (scripts/install-deps.sh says why)"
    elif ! timeout 60 "$WINE32" --version >/dev/null 2>&1; then
        echo "32-bit programs do not start: no qemu-i386 in binfmt_misc (scripts/install-deps.sh says why)"
    fi
}
WINE32_MISSING=$(wine32_missing)

# A 32-bit check that cannot run: noted for `make test` to list, and a failure in CI.
# skipped_32bit WORK_DIR TEST WHAT
skipped_32bit() {
    echo "$2: SKIPPED the 32-bit $3: $WINE32_MISSING"
    echo "$2: the 32-bit $3: $WINE32_MISSING" >"$1/skipped-32-bit-$2.txt"
    [ "${CI:-}" = true ] && echo "$2: FAIL: CI runs every 32-bit check" && exit 1
}

# wine_prefix_start WORK_DIR LOG: the prefix made in the background (minutes under qemu) while the caller
# builds, again if made without the 32-bit Wine; wine_prefix_wait: 0 when ready.
WINE_PREFIX_PID=""
wine_prefix_start() {
    export WINEPREFIX="$1/wineprefix"
    if [ -f "$WINEPREFIX/system.reg" ] &&
        { [ -n "$WINE32_MISSING" ] || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }; then
        return
    fi
    rm -rf "$WINEPREFIX"
    { timeout 900 "$WINE64" wineboot --init && timeout 120 wineserver -w; } >"$2" 2>&1 &
    WINE_PREFIX_PID=$!
}
wine_prefix_wait() { [ -z "$WINE_PREFIX_PID" ] || wait "$WINE_PREFIX_PID"; }
