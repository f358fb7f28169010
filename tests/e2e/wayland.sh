#!/usr/bin/env bash
# The show on a Wayland desktop: sway, headless, with one 1920x1080 output and
# gaps round its tiled windows. With SDL's Wayland driver, full screen at
# 640x480 shows the canvas in the centred 1440x1080 rectangle; a window, which
# the compositor tiles to 1800x960, in the centred 1280x960 rectangle of it;
# while it plays, its idle inhibitor keeps the output awake; Escape ends the
# show. Through XWayland (SDL's default), full screen the same, but sway is
# not told to stay awake (SDL would ask a D-Bus screen saver, which sway has
# not).
# The chooser (GTK 3, natively on Wayland) opens and a close request ends it.
# sway refuses to run as root, so as root everything runs as the user nobody.
# Usage: wayland.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

# The compositor's user needs to reach the program, the data and its own
# runtime folder.
chmod 711 "$E2E_TMP"
run_dir="$E2E_TMP/wayland"
mkdir -p "$run_dir/runtime" "$run_dir/home"
chmod 700 "$run_dir/runtime"
as_user=(env -i)
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$run_dir"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i)
fi
as_user+=(PATH=/usr/bin:/bin HOME="$run_dir/home" XDG_RUNTIME_DIR="$run_dir/runtime")

cat >"$run_dir/config" <<CONFIG
output HEADLESS-1 resolution 1920x1080
default_border none
gaps outer 60
exec sh -c 'echo \$DISPLAY >"$run_dir/x-display"'
CONFIG
"${as_user[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$run_dir/config" >"$E2E_TMP/sway.log" 2>&1 &
E2E_PIDS+=($!)
wayland_up() { ls "$run_dir/runtime"/wayland-* >/dev/null 2>&1; }
e2e_until 15 wayland_up || { cat "$E2E_TMP/sway.log" >&2; e2e_fail "sway did not start"; }
display=$(basename "$(ls "$run_dir/runtime"/wayland-? | head -n 1)")
as_user+=(WAYLAND_DISPLAY="$display" SWAYSOCK="$(ls "$run_dir/runtime"/sway-ipc.*.sock | head -n 1)")
e2e_log "sway on $display"

data="$run_dir/data"
e2e_long_show "$data"
chmod -R a+rX "$data"
# The checkout may sit where that user cannot reach (under /root), so the
# show is run from a copy beside its data.
cp "$E2E_BUILD/mardunqist" "$run_dir/mardunqist"
chmod a+rx "$run_dir/mardunqist"
E2E_PROGRAM="$run_dir/mardunqist"

# The sanitizer build's settings (its leak suppressions among them) must
# survive env -i, or the system libraries' own leaks fail the run.
sanitizer_env=()
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS LD_PRELOAD; do
    [ -n "${!name:-}" ] && sanitizer_env+=("$name=${!name}")
done

# show ARGS...: the show in $data as the compositor's user, on Wayland itself
# (or, with DRIVER=x11, through XWayland); sets E2E_PID, E2E_RUN.
show() {
    local driver=(SDL_VIDEODRIVER=wayland GDK_BACKEND=wayland)
    [ "${DRIVER:-}" = x11 ] && driver=(DISPLAY="$(cat "$run_dir/x-display")")
    e2e_start_program "${as_user[@]}" "${sanitizer_env[@]}" "${driver[@]}" SDL_AUDIODRIVER=dummy \
        -- --data "$data" --verbose "$@"
}

screenshot() {  # NAME: the output as $E2E_OUT/NAME.png; prints the path
    local file="$run_dir/$1.png"
    "${as_user[@]}" grim "$file" || e2e_fail "grim failed"
    cp "$file" "$E2E_OUT/$1.png"
    echo "$E2E_OUT/$1.png"
}

# Each wtype is a new virtual keyboard, which the compositor first announces
# to the show: it waits a moment before pressing Escape (again, if need be).
escape_ends_show() {
    local i
    for i in 1 2 3 4 5; do
        kill -0 "$E2E_PID" 2>/dev/null || break
        "${as_user[@]}" wtype -s 1000 -k Escape -s 500 || true
    done
    e2e_wait_exit 10
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$1: exit status $E2E_STATUS"
}

# idle_inhibited: prints "true" if the show's view keeps the output from
# idling (an idle inhibitor of its own), else "false".
idle_inhibited() {
    "${as_user[@]}" swaymsg -t get_tree | "$E2E_PYTHON" -c '
import json, sys
def nodes(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from nodes(child)
shows = [n for n in nodes(json.load(sys.stdin)) if n.get("name") == "kelvo mardunqist"]
print("true" if any(n.get("inhibit_idle") for n in shows) else "false")'
}

# picture_in NAME DRAWABLE X Y W H AREA... [-- SHOW-ARGS...]: the show, its
# picture in X Y W H of the area (screen pixels), black around it; on Wayland
# itself, the output kept from idling while it plays; Escape.
picture_in() {
    local name=$1 drawable=$2; shift 2
    local rect=() ; while [ $# -gt 0 ] && [ "$1" != -- ]; do rect+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    show --play "$@"
    e2e_until 20 grep -q "canvas 640x480, drawable $drawable," "$E2E_RUN/stdout" ||
        e2e_fail "$name: $(cat "$E2E_RUN/stdout" "$E2E_RUN/stderr")"
    sleep 1.5
    e2e_expect_picture_at "$(screenshot "$name")" "${rect[@]}"
    local inhibited
    inhibited=$(idle_inhibited) || e2e_fail "$name: cannot read sway's tree"
    e2e_log "$name: the show's view inhibits idling: $inhibited"
    [ "${DRIVER:-}" = x11 ] || [ "$inhibited" = true ] || e2e_fail "$name: the show lets the output idle"
    escape_ends_show "$name"
}

# 1. Full screen.
picture_in full-640 1920x1080 240 0 1440 1080 0 0 1920 1080
e2e_log "full screen: the 640x480 canvas in the centred 1440x1080 rectangle; Escape ended it"

# 2. A window, tiled to the output less its gaps.
picture_in windowed-640 1800x960 320 60 1280 960 60 60 1800 960 -- --windowed
e2e_log "a window tiled to 1800x960: the canvas in its centred 1280x960 rectangle; Escape ended it"

# 3. Full screen through XWayland, where a mode switch would only be a stretch.
[ -s "$run_dir/x-display" ] || e2e_fail "sway gave no XWayland display"
DRIVER=x11 picture_in xwayland-full-640 1920x1080 240 0 1440 1080 0 0 1920 1080
e2e_log "full screen through XWayland: the canvas in the centred 1440x1080 rectangle; Escape ended it"

# 4. The chooser, on Wayland itself.
show
chooser_up() { "${as_user[@]}" swaymsg -t get_tree 2>/dev/null | grep -q '"name": "kelvo mardunqist"'; }
e2e_until 20 chooser_up || e2e_fail "no chooser: $(cat "$E2E_RUN/stderr")"
sleep 0.5
shot=$(screenshot chooser)
[ "$(e2e_lit_bytes "$shot" 860 440 200 200)" -gt 20000 ] || e2e_fail "the chooser is not drawn in the middle"
"${as_user[@]}" swaymsg '[title="kelvo mardunqist"] kill' >/dev/null || e2e_fail "cannot ask the chooser to close"
e2e_wait_exit 10
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "chooser: exit status $E2E_STATUS"
e2e_expect_no_gtk_complaints
e2e_log "the chooser opened on Wayland; a close request ended it"

e2e_log "all passed"
