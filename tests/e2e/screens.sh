#!/usr/bin/env bash
# The picture keeps its shape and the chosen size on a 16:9 screen. A
# 1920x1080 X server has that one mode, as a laptop panel that offers only its
# native one. Without a window manager and with openbox: full screen at
# 640x480 and at 1024x768 shows the canvas of the size chosen in the centred
# 1440x1080 rectangle, black beside it; with openbox, an 800x600 window that
# the window manager makes 1600x900 shows it in the centred 1200x900 rectangle
# of its client area. The desktop's "reduce animation" setting (GTK's
# settings.ini) starts the show gentle; --no-gentle or no setting, not.
# Usage: screens.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

title="kelvo mardunqist"
E2E_DATA="$E2E_TMP/data"
e2e_long_show "$E2E_DATA"

e2e_start_xvfb 1920x1080x24
e2e_watch_windows

# start_show MODE-Y [--windowed]: the chooser, the mode whose radio button sits
# at that height, optionally "windowed", then "play"; sets SHOW.
start_show() {
    e2e_mark_windows
    e2e_start_program -- --verbose
    e2e_wait_window "$title" 30
    local chooser=$E2E_WINDOW
    e2e_click "$chooser" 125 "$1"
    if [ "${2:-}" = --windowed ]; then e2e_click "$chooser" 125 100; fi
    e2e_click "$chooser" 48 145
    e2e_wait_window "$title" 30 "$chooser"
    SHOW=$E2E_WINDOW
}

# expect_canvas WxH: the show said its canvas is the size chosen.
expect_canvas() {
    e2e_until 10 grep -q "canvas $1," "$E2E_RUN/stdout" ||
        e2e_fail "the canvas is not $1: $(grep canvas "$E2E_RUN/stdout" | tail -n 1)"
}

end_show() {
    e2e_key "$SHOW" Escape
    e2e_wait_exit 10
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
}

full_screen_at() {  # NAME MODE-Y WxH
    start_show "$2"
    expect_canvas "$3"
    sleep 1.5
    e2e_expect_picture_at "$(e2e_screenshot "$1")" 240 0 1440 1080 0 0 1920 1080
    end_show
    e2e_log "$1: the ${3} canvas in the centred 1440x1080 rectangle"
}

# 1. No window manager: the full-screen window covers the screen anyway.
full_screen_at full-640-no-wm 30 640x480
full_screen_at full-1024-no-wm 70 1024x768

# 2. openbox.
# (Its log stays with the screenshots, for a window it never maps.)
openbox --sm-disable >"$E2E_OUT/openbox.log" 2>&1 &
E2E_PIDS+=($!)
e2e_until 10 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null || e2e_fail "openbox did not start"
# It says so before it has settled in to manage new windows.
sleep 1
full_screen_at full-640-openbox 30 640x480
full_screen_at full-1024-openbox 70 1024x768

start_show 50 --windowed
expect_canvas 800x600
timeout 10 xdotool windowsize "$SHOW" 1600 900 || e2e_fail "cannot resize the window"
e2e_until 10 grep -q "drawable 1600x900," "$E2E_RUN/stdout" || e2e_fail "the window was not made 1600x900"
sleep 1
origin=$(e2e_window_origin "$SHOW")
x=${origin%,*} y=${origin#*,}
e2e_expect_picture_at "$(e2e_screenshot windowed-800-in-1600x900)" $(( x + 200 )) "$y" 1200 900 "$x" "$y" 1600 900
end_show
e2e_log "an 800x600 window made 1600x900: the canvas in its centred 1200x900 rectangle"

# 3. Reduced motion, as GNOME's "Reduce animation" leaves it for GTK.
mkdir -p "$E2E_TMP/config/gtk-3.0"
printf '[Settings]\ngtk-enable-animations=0\n' >"$E2E_TMP/config/gtk-3.0/settings.ini"
gentle_line="the desktop is set to reduce animation, so the show starts gentle"
for args in "--play" "--play --no-gentle" "--play --gentle"; do
    e2e_start_program XDG_CONFIG_HOME="$E2E_TMP/config" -- $args --first-frame
    e2e_wait_exit 30
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$args: exit status $E2E_STATUS"
    said=$(grep -c "$gentle_line" "$E2E_RUN/stderr" || true)
    [ "$args" = "--play" ] && want=1 || want=0
    [ "$said" -eq "$want" ] || e2e_fail "reduced motion, $args: said it starts gentle $said times: $(cat "$E2E_RUN/stderr")"
done
e2e_start_program XDG_CONFIG_HOME="$E2E_TMP/no-config" -- --play --first-frame
e2e_wait_exit 30
! grep -q "$gentle_line" "$E2E_RUN/stderr" || e2e_fail "without the setting the show still starts gentle"
e2e_log "reduced motion: gentle with the setting, as drawn with --no-gentle or without it"

e2e_log "all passed"
