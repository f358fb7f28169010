#!/usr/bin/env bash
# The start-up chooser, driven like a user under Xvfb: its window, where its
# controls sit, and what "exit", the close box and "play" lead to.
# Usage: chooser.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

title="kelvo mardunqist"
screen_w=1024
screen_h=768

# Centres of the controls' visible parts (the first four are clipped at x = 200).
click_640=(125 30)
click_800=(125 50)
click_1024=(125 70)
click_windowed=(125 100)
click_play=(48 145)
click_exit=(144 145)

# Starts the program (with ARGS) and checks the chooser window; sets CHOOSER.
open_chooser() {
    e2e_mark_windows
    e2e_start_program -- "$@"
    e2e_wait_window "$title" 30
    CHOOSER=$E2E_WINDOW
    local size origin state hints
    size=$(e2e_window_size "$CHOOSER")
    [ "$size" = 200x200 ] || e2e_fail "chooser client area is $size, not 200x200"
    origin=$(e2e_window_origin "$CHOOSER")
    [ "$origin" = "$((screen_w / 2 - 100)),$((screen_h / 2 - 100))" ] ||
        e2e_fail "chooser at $origin, not centred on the ${screen_w}x${screen_h} screen"
    state=$(timeout 10 xprop -id "$CHOOSER" _NET_WM_STATE)
    [[ $state == *_NET_WM_STATE_ABOVE* ]] || e2e_fail "chooser not kept above: $state"
    hints=$(timeout 10 xprop -id "$CHOOSER" WM_NORMAL_HINTS)
    [[ $hints == *"minimum size: 200 by 200"* && $hints == *"maximum size: 200 by 200"* ]] ||
        e2e_fail "chooser is resizable: $hints"
}

click() {  # NAME: one of the click_* points above, in the chooser
    local -n point="click_$1"
    e2e_click "$CHOOSER" "${point[0]}" "${point[1]}"
}

# After a run without a show: one window with the title (the chooser) was ever
# mapped, and nothing of the show (pictures, music) was touched.
expect_no_show() {
    local mapped
    mapped=$(e2e_mapped_windows "$title" | tr '\n' ' ')
    [ "$mapped" = "$(printf '0x%x' "$CHOOSER") " ] ||
        e2e_fail "windows titled \"$title\" mapped: $mapped(only the chooser expected)"
    if grep -Eq 'jpg|Vostr_1' "$E2E_RUN/stderr"; then
        e2e_fail "the show started after the chooser ended without play"
    fi
    e2e_expect_no_gtk_complaints
}

# Screenshot of the chooser alone; prints the file. The pointer goes to the
# screen's corner first, so no control is drawn hovered.
chooser_shot() {
    local shot
    timeout 10 xdotool mousemove 0 0 || e2e_fail "cannot move the pointer"
    shot=$(e2e_screenshot "$1-screen")
    e2e_crop "$shot" "$1" "$((screen_w / 2 - 100))" "$((screen_h / 2 - 100))" 200 200
}

# Where the controls are drawn, from the borders and marks in a picture of the
# chooser: "play" and "exit" by their dark frames, the radio buttons and the
# check box by their indicators, which sit at each control's left edge and are
# centred on its row.
check_layout() {
    local png=$1 runs y first
    runs=$(e2e_dark_runs "$png" x 10)
    [ "$runs" = "130-130 159-159" ] || e2e_fail "at x = 10, \"play\" should span y 130-159 alone: $runs"
    runs=$(e2e_dark_runs "$png" y 133)
    [ "$runs" = "0-0 95-96 191-191" ] ||
        e2e_fail "at y = 133, \"play\" should span x 0-95 and \"exit\" 96-191: $runs"
    for y in 20 40 60 90; do
        runs=$(e2e_dark_runs "$png" y $((y + 10)))
        first=${runs%%-*}
        [ "$first" = 50 ] || e2e_fail "the control of row $y should start at x = 50: $runs"
    done
    # Column 57 crosses the four indicators: each one's dark pixels must lie in
    # its own 20-px row, centred there, and nothing else above the buttons.
    runs=$(e2e_dark_runs "$png" x 57)
    echo "$runs" | tr ' ' '\n' | awk -F- '
        $2 < 130 { for (b = 0; b < 4; b++) if ($1 >= top[b] && $2 < top[b] + 20) break
                   if (b == 4) { print "stray mark at y " $0; bad = 1; next }
                   if (!(b in lo)) lo[b] = $1; hi[b] = $2 }
        BEGIN { top[0] = 20; top[1] = 40; top[2] = 60; top[3] = 90 }
        END { for (b = 0; b < 4; b++) {
                  if (!(b in lo)) { print "no indicator in the row at y " top[b]; bad = 1; continue }
                  mid2 = lo[b] + hi[b]; want2 = 2 * top[b] + 19
                  if (mid2 < want2 - 2 || mid2 > want2 + 2) {
                      print "indicator " lo[b] "-" hi[b] " not centred in the row at y " top[b]; bad = 1 } }
              exit bad }' >&2 || e2e_fail "indicators misplaced (column 57: $runs)"
}


# --- no display: one line on stderr, status 1, nothing else --------------------
# The same with the chooser and with --play, which must not fall back to a
# driver that shows nothing; only a driver the user names plays unseen.
for args in "" --play; do
    e2e_start_program -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -- $args
    e2e_wait_exit 15
    [ "$E2E_STATUS" = 1 ] || e2e_fail "without a display ($args) the status is $E2E_STATUS, not 1"
    lines=$(wc -l <"$E2E_RUN/stderr")
    [ "$lines" = 1 ] || e2e_fail "without a display ($args) stderr has $lines lines, not 1"
    grep -qi display "$E2E_RUN/stderr" || e2e_fail "the stderr line does not mention the display"
    e2e_log "no display $args: $(cat "$E2E_RUN/stderr")"
done
e2e_start_program -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen -- --play --first-frame
e2e_wait_exit 15
[ "$E2E_STATUS" = 0 ] && grep -q "first frame" "$E2E_RUN/stdout" ||
    e2e_fail "SDL_VIDEODRIVER=offscreen --play: status $E2E_STATUS, stdout $(cat "$E2E_RUN/stdout")"

e2e_start_xvfb "${screen_w}x${screen_h}x24"
e2e_watch_windows

# --- "exit" ---------------------------------------------------------------------
open_chooser
chooser_png=$(chooser_shot chooser)
e2e_log "chooser: $chooser_png"
check_layout "$chooser_png"
started=$(e2e_now_ms)
click exit
e2e_wait_exit 5
[ "$E2E_STATUS" = 0 ] || e2e_fail "\"exit\" ended with status $E2E_STATUS"
e2e_log "exit: status 0 after $(( $(e2e_now_ms) - started )) ms"
expect_no_show

# --- the close box ----------------------------------------------------------------
open_chooser
started=$(e2e_now_ms)
e2e_close_window "$CHOOSER"
e2e_wait_exit 5
[ "$E2E_STATUS" = 0 ] || e2e_fail "closing the chooser ended with status $E2E_STATUS"
e2e_log "close box: status 0 after $(( $(e2e_now_ms) - started )) ms"
expect_no_show

# --- "800x600", "windowed", "play": an 800x600 window ------------------------------
open_chooser
before=$(chooser_shot before-800-windowed)
click 800
click windowed
# The marks follow the clicks: 640x480 cleared, 800x600 set, 1024x768 untouched,
# "windowed" ticked. GTK redraws in its own time, so look until it has.
marks_moved() { e2e_marks_moved "$before" "$(chooser_shot after-800-windowed)"; }
e2e_until 10 marks_moved >/dev/null || e2e_fail "the chooser's marks do not show 800x600 + windowed"
click play
e2e_wait_window "$title" 60 "$CHOOSER"
show=$E2E_WINDOW
size=$(e2e_window_size "$show")
[ "$size" = 800x600 ] || e2e_fail "show window is $size, not 800x600"
gone=$(e2e_window_event_line destroy "$CHOOSER")
mapped=$(e2e_window_event_line map "$show")
[ -n "$gone" ] && [ -n "$mapped" ] && [ "$gone" -lt "$mapped" ] ||
    e2e_fail "the chooser was still there when the show's window appeared"
# Past the show's start-up (the missing module is reported after the window is
# set up), a windowed show keeps the pointer's cursor.
e2e_until 30 grep -q Vostr_1.it "$E2E_RUN/stderr" || e2e_fail "the show did not get to its music"
e2e_expect_running
cursor=$(e2e_cursor "$show")
[ "$cursor" = visible ] || e2e_fail "the cursor is $cursor: the show went full screen despite \"windowed\""
e2e_log "show: $(e2e_screenshot show-800x600-windowed)"
started=$(e2e_now_ms)
e2e_key "$show" Escape
e2e_wait_exit 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "Escape ended the show with status $E2E_STATUS"
e2e_expect_no_gtk_complaints
e2e_log "800x600 windowed: status 0 after Escape, $(( $(e2e_now_ms) - started )) ms"

# --- "1024x768", "640x480", "windowed" twice, "play": full screen 640x480 ------------
open_chooser --verbose
click 1024
click 640
click windowed
click windowed
click play
e2e_wait_window "$title" 60 "$CHOOSER"
show=$E2E_WINDOW
# Full screen covers the screen; the canvas is the last resolution clicked.
size=$(e2e_window_size "$show")
[ "$size" = "${screen_w}x${screen_h}" ] || e2e_fail "the full-screen window is $size, not the screen"
e2e_until 10 grep -q "canvas 640x480," "$E2E_RUN/stdout" ||
    e2e_fail "the canvas is not 640x480 (the last resolution clicked): $(grep canvas "$E2E_RUN/stdout")"
# Full screen hides the cursor over the show.
cursor_hidden() { [ "$(e2e_cursor "$show")" = hidden ]; }
e2e_until 30 cursor_hidden || e2e_fail "the cursor stays visible: the show is not full screen"
e2e_key "$show" Escape
e2e_wait_exit 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "Escape ended the full-screen show with status $E2E_STATUS"
e2e_expect_no_gtk_complaints
e2e_log "640x480 full screen: status 0 after Escape"

e2e_log "pass"
