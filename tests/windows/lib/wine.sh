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

# wine_path PATH: an absolute path as Wine's drive Z: names it (winepath -w
# cuts paths at 260 characters).
wine_path() {
    local path=${1//\//\\}
    echo "Z:$path"
}

# wine_console_text FILE: what a terminal shows of Wine's console output in
# FILE (a transcript from script): its cursor moves as spaces, nothing else
# of its escape sequences, no CRs.
wine_console_text() {
    python3 -c '
import re, sys
text = open(sys.argv[1], "rb").read().decode("utf-8", "replace")
text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1), text)
text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text)
sys.stdout.write(text.replace("\r", ""))' "$1"
}

# wine_icon_distance WINDOW EXE: how far the window's 32x32 icon, as Wine
# hands it to X (_NET_WM_ICON), is from the 32-pixel image of EXE's first
# icon group: the mean difference of its A, R, G and B values (0 to 255).
wine_icon_distance() {
    local dir="$E2E_TMP/icon-$1"
    mkdir -p "$dir"
    wrestool -x --type=14 --name=1 "$2" >"$dir/group.ico" &&
        icotool -x --width=32 --output="$dir" "$dir/group.ico" &&
        ffmpeg -nostdin -loglevel error -y -i "$dir"/group_*_32x32x32.png -f rawvideo -pix_fmt argb "$dir/exe.argb" &&
        timeout 10 xprop -id "$1" -notype -f _NET_WM_ICON 32c '=$0+\n' _NET_WM_ICON >"$dir/window.txt" ||
        e2e_fail "cannot read the icons of window $1 and $2"
    python3 - "$dir/window.txt" "$dir/exe.argb" <<'PYTHON'
import sys
values = [int(v) for v in open(sys.argv[1]).read().split("=", 1)[1].replace(",", " ").split()]
icon = None
while values:
    width, height = values[0], values[1]
    if width == height == 32:
        icon = values[2:2 + 32 * 32]
    values = values[2 + width * height:]
if icon is None:
    print(255)
    sys.exit()
exe = open(sys.argv[2], "rb").read()
window = b"".join(v.to_bytes(4, "big") for v in icon)
print(round(sum(abs(a - b) for a, b in zip(window, exe)) / len(exe), 1))
PYTHON
}
