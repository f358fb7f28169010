# Helpers for the Windows scripts: the programs from the zip, run under Wine
# in a private Xvfb with a Wine prefix of the build's own. Source after
# tests/e2e/lib/common.sh; call wine_init WINDOWS_BUILD after e2e_init.
#
# Wine's helper processes (wineserver, services, explorer) outlive the
# program and keep any pipe they inherit open, so output always goes to
# files (as e2e_start_program does) and the cleanup ends them all.

# wine_init WINDOWS_BUILD: the prefix (made once), the zip unpacked into a
# folder of its own, the cleanup; sets WIN_DIR to the unpacked programs.
wine_init() {
    [ -n "${1:-}" ] || { echo "usage: $0 BUILD_DIR SOURCE_DIR WINDOWS_BUILD" >&2; exit 2; }
    WIN_BUILD=$(cd "$1" && pwd)
    export WINEPREFIX="$WIN_BUILD/wine"
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts, no menu entries written for the user.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap wine_cleanup EXIT
    if [ ! -f "$WINEPREFIX/.ready" ]; then
        e2e_log "making the Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        timeout 240 wineboot --init >"$E2E_TMP/wineboot.log" 2>&1 || { cat "$E2E_TMP/wineboot.log" >&2; e2e_fail "wineboot failed"; }
        timeout 60 wineserver --wait
        touch "$WINEPREFIX/.ready"
    fi
    WIN_DIR="$E2E_TMP/unpacked"
    mkdir -p "$WIN_DIR"
    (cd "$WIN_DIR" && unzip -q "$WIN_BUILD/mardunqist-win64.zip") || e2e_fail "cannot unpack the zip"
    WIN_DIR="$WIN_DIR/mardunqist-win64"
    E2E_PROGRAM=wine
}

wine_cleanup() {
    local status=$?
    set +e
    timeout 20 wineserver --kill >/dev/null 2>&1
    timeout 20 wineserver --wait >/dev/null 2>&1
    (exit "$status")
    e2e_cleanup
}

# wine_start PROGRAM.exe [ENV-ARGS...] [-- PROGRAM-ARGS...]: as
# e2e_start_program, with one of the unpacked programs.
wine_start() {
    local program="$WIN_DIR/$1"; shift
    local env_args=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do env_args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    e2e_start_program "${env_args[@]}" -- "$program" "$@"
}

# wine_expect_quiet WHAT [ALLOWED-REGEX]: the last run printed nothing on
# stderr but lines matching ALLOWED-REGEX (the program's own lines only:
# Wine prints nothing with WINEDEBUG=-all).
wine_expect_quiet() {
    local allowed=${2:-'^$'}
    if grep -Ev "$allowed" "$E2E_RUN/stderr" | grep -q .; then
        e2e_fail "$1: unexpected messages on stderr"
    fi
}
