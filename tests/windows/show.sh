#!/usr/bin/env bash
# The Windows show from the zip under Wine, driven like a user in Xvfb: the
# Win32 chooser (where it sits, its controls drawn and marked, clicks that
# pick "800x600" and "windowed"), "play" opening a window of that size that
# draws, both windows with the show's icon, a truncated picture reported in one line while the show goes on,
# Escape ending it with status 0; "exit" and the close box ending with status
# 0 and nothing opened; with no sound device the short show playing silently in real
# time to its end; and a song shorter than the show's timeline ending it.
# Usage: show.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-show
wine_init "${3:-}"

title="kelvo mardunqist"
screen_w=1024
screen_h=768
# Wine draws the 200 x 200 window's frame (3 px) and caption (19 px) itself;
# X sees the client area, where the controls sit at their own coordinates.
client_w=194
client_h=175
client_x=$((screen_w / 2 - 100 + 3))
client_y=$((screen_h / 2 - 100 + 3 + 19))

# The short show in the working directory, one picture cut short.
data="$E2E_TMP/data"
"$E2E_BUILD/mardunqist-assets" --short "$data" >/dev/null || e2e_fail "cannot generate the short show"
head -c 4000 "$data/1.jpg" >"$data/1.jpg.cut" && mv "$data/1.jpg.cut" "$data/1.jpg"

e2e_start_xvfb "${screen_w}x${screen_h}x24"
e2e_watch_windows

open_chooser() {
    e2e_mark_windows
    wine_start mardunqist.exe
    e2e_wait_window "$title" 60
    CHOOSER=$E2E_WINDOW
    local size origin
    size=$(e2e_window_size "$CHOOSER")
    origin=$(e2e_window_origin "$CHOOSER")
    [ "$size" = "${client_w}x${client_h}" ] && [ "$origin" = "$client_x,$client_y" ] ||
        e2e_fail "chooser's client area is $size at $origin: not the 200x200 window centred on the screen"
}

chooser_shot() {  # NAME: the chooser's client area, the pointer out of the way
    local shot
    timeout 10 xdotool mousemove 0 0 || e2e_fail "cannot move the pointer"
    shot=$(e2e_screenshot "$1-screen")
    e2e_crop "$shot" "$1" "$client_x" "$client_y" "$client_w" "$client_h"
}

# The window's title-bar and task-bar icon is the show's own, from the .exe.
expect_show_icon() {
    local distance
    distance=$(wine_icon_distance "$1" "$WIN_DIR/mardunqist.exe")
    awk -v d="$distance" 'BEGIN { exit !(d <= 8) }' ||
        e2e_fail "$2 does not carry the show's icon (mean difference $distance)"
}

# Bytes of a region of a screenshot that are not black (a drawn show).
lit_bytes() {
    e2e_region "$1" 0 0 "$2" "$3" | fold -w 2 | grep -cv '^0[0-9a-f]$' || true
}

# Wine takes key presses from the X server's input, not sent events: the
# window gets the focus, then XTEST types.
press_escape() {
    timeout 10 xdotool windowfocus "$1" 2>/dev/null || true
    timeout 10 xdotool key Escape || e2e_fail "cannot press Escape"
}

# --- the chooser: drawn, marked as clicked; "play" a window of the choice -------
E2E_DATA=$data
open_chooser
expect_show_icon "$CHOOSER" "the chooser"
before=$(chooser_shot chooser)
# Controls drawn: each row holds dark label pixels on the light background.
for y in 20 40 60 90; do
    dark=$(e2e_dark_runs "$before" y $((y + 10)) 128)
    [ -n "$dark" ] || e2e_fail "no control drawn in the row at y = $y"
done
[ "$(e2e_dark_runs "$before" x 48 128)" != "" ] || e2e_fail "no \"play\" button drawn"
e2e_click "$CHOOSER" 125 50
e2e_click "$CHOOSER" 125 100
marks_moved() { e2e_marks_moved "$before" "$(chooser_shot chooser-800-windowed)" 144; }
e2e_until 10 marks_moved >/dev/null || e2e_fail "the chooser's marks do not show 800x600 + windowed"
e2e_click "$CHOOSER" 48 145
e2e_wait_window "$title" 60 "$CHOOSER"
show=$E2E_WINDOW
[ "$(e2e_window_size "$show")" = 800x600 ] || e2e_fail "show window is $(e2e_window_size "$show"), not 800x600"
expect_show_icon "$show" "the show's window"
sleep 2
e2e_expect_running
shot=$(e2e_screenshot show-800x600)
lit=$(lit_bytes "$shot" 800 600)
[ "$lit" -gt 10000 ] || e2e_fail "the show's window draws nothing ($lit lit bytes)"
press_escape "$show"
e2e_wait_exit 20
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "Escape ended the show with status $E2E_STATUS"
[ "$(grep -c '1.jpg' "$E2E_RUN/stderr")" -eq 1 ] && grep -q '^mardunqist: 1.jpg: Premature end of JPEG file' "$E2E_RUN/stderr" ||
    e2e_fail "the truncated picture was not reported in one line"
wine_expect_quiet "the windowed show" '^ALSA lib|^mardunqist: 1.jpg: |^mardunqist: no sound device'
e2e_log "chooser, 800x600 windowed, truncated picture, Escape: status 0"

# --- "exit", and the close box: status 0, nothing of the show -------------------
E2E_DATA=
for way in exit close; do
    open_chooser
    if [ $way = exit ]; then e2e_click "$CHOOSER" 144 145; else e2e_close_window "$CHOOSER"; fi
    e2e_wait_exit 20
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$way: status $E2E_STATUS"
    mapped=$(e2e_mapped_windows "$title" | tr '\n' ' ')
    [ "$mapped" = "$(printf '0x%x' "$CHOOSER") " ] || e2e_fail "after $way windows mapped: $mapped"
    wine_expect_quiet "$way"
    e2e_log "$way: status 0, nothing opened"
done

# --- no sound device: silent, in real time, to the end -------------------------
# The short module's length, from the native capture's timeline of it.
"$E2E_BUILD/mardunqist-capture" --quiet --size 64x48 --fps 10 --data "$data" --timeline "$E2E_TMP/short.csv" \
    "$E2E_TMP/short-frames/" || e2e_fail "native capture of the short show failed"
length_ms=$(awk -F, 'NR == 2 { first = $2 } END { printf "%d", $2 - first }' "$E2E_TMP/short.csv")
E2E_DATA=$data
e2e_mark_windows
wine_start mardunqist.exe -u SDL_AUDIODRIVER -- --play --windowed
e2e_wait_window "$title" 60
started=$(e2e_now_ms)
e2e_wait_exit 120
took=$(( $(e2e_now_ms) - started ))
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the silent show ended with status $E2E_STATUS"
grep -q '^mardunqist: no sound device' "$E2E_RUN/stderr" || e2e_fail "no word of the missing sound device"
# Ending by itself means the orders reached the credits and the music stopped;
# not before the module's own length means in real time.
[ "$took" -ge $((length_ms - 1000)) ] || e2e_fail "the silent show ended after $took ms, the module lasts $length_ms ms"
e2e_log "no sound device: ended by itself after $took ms (module $length_ms ms)"

# --- a song with fewer orders than the show's timeline: it ends the show --------
# once it has played, status 0, within two seconds of its end.
E2E_DATA="$E2E_TMP/shortsong"
mkdir -p "$E2E_DATA"
cp "$data"/*.jpg "$E2E_DATA"/
song_ms=$("$E2E_BUILD/tests/write-short-song" "$E2E_DATA/Vostr_1.it" 3 | awk '{ printf "%d", $1 * 1000 }') ||
    e2e_fail "cannot write the short song"
wine_start mardunqist.exe -- --play --windowed --verbose
e2e_wait_exit 60
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the short song's show ended with status $E2E_STATUS"
e2e_expect_song_end "$song_ms"

e2e_log "all passed"
