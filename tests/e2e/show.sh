#!/usr/bin/env bash
# The real program on the short module under Xvfb: "play" in the chooser, the
# whole timeline (opening scene, body, ending, credits), and the show ends by
# itself with status 0; then the same through the ways a user or the system
# ends a show early, with special files in place of its own, and with a song
# that stops before the credits.
# Usage: show.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

title="kelvo mardunqist"
E2E_DATA="$E2E_TMP/data"
"$E2E_BUILD/mardunqist-assets" --short "$E2E_DATA" >/dev/null || e2e_fail "cannot generate the short show"

# Full screen at 640x480: a screen of that size, so the window really covers it.
e2e_start_xvfb 640x480x24
e2e_watch_windows

start_show() {  # [--windowed]: chooser, optionally "windowed", then "play"; sets SHOW
    e2e_mark_windows
    e2e_start_program
    e2e_wait_window "$title" 30
    local chooser=$E2E_WINDOW
    if [ "${1:-}" = --windowed ]; then e2e_click "$chooser" 125 100; fi
    e2e_click "$chooser" 48 145
    e2e_wait_window "$title" 30 "$chooser"
    SHOW=$E2E_WINDOW
}

cursor_hidden() { [ "$(e2e_cursor "$SHOW")" = hidden ]; }

expect_clean_exit() {  # WHAT
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$1: exit status $E2E_STATUS"
    if grep -v 'no sound device' "$E2E_RUN/stderr" | grep -q .; then
        e2e_fail "$1: unexpected messages on stderr"
    fi
}

# 1. The whole short show ends by itself.
start_show
sleep 1
e2e_screenshot short-show-1s >/dev/null
e2e_wait_exit 60
expect_clean_exit "the short show"
e2e_log "the short show ran to its end"

# 2. Escape pressed many times: one quit is enough, the rest do no harm.
start_show
sleep 0.5
for _ in 1 2 3 4 5 6; do timeout 5 xdotool key --window "$SHOW" Escape || true; done
e2e_wait_exit 10
expect_clean_exit "Escape many times"

# 3. Every signal that ends a program (SIGTERM, Ctrl-C, a closed terminal's
#    SIGHUP, Ctrl-\'s SIGQUIT) during a full-screen show takes the shutdown
#    path that gives the desktop its mode and cursor back: a process killed
#    outright would end with 128 + the signal, not 0.
for signal in TERM INT HUP QUIT; do
    start_show
    sleep 0.5
    e2e_until 10 cursor_hidden || e2e_fail "the full-screen show does not hide the cursor"
    kill -s "$signal" "$E2E_PID"
    e2e_wait_exit 10
    expect_clean_exit "SIG$signal"
done

# 4. The window closed mid-show, like a user with a window manager would.
start_show --windowed
sleep 0.5
e2e_close_window "$SHOW"
e2e_wait_exit 10
expect_clean_exit "closing the window"

# 5. No module: one line says so, and the opening scene plays until Escape.
E2E_DATA="$E2E_TMP/nomusic"
mkdir -p "$E2E_DATA"
cp "$E2E_TMP/data"/*.jpg "$E2E_DATA"/
start_show --windowed
sleep 3
e2e_expect_running
shot=$(e2e_screenshot no-music-opening-scene)
lit=$(e2e_region "$shot" 0 0 640 480 | fold -w 2 | grep -cv '^0[0-9a-f]$' || true)
[ "$lit" -gt 1000 ] || e2e_fail "no opening scene drawn without music ($lit bright bytes)"
e2e_key "$SHOW" Escape
e2e_wait_exit 10
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "no music: exit status $E2E_STATUS"
[ "$(grep -c . "$E2E_RUN/stderr")" -eq 1 ] && grep -q "Vostr_1.it: No such file or directory" "$E2E_RUN/stderr" ||
    e2e_fail "no music: stderr was: $(cat "$E2E_RUN/stderr")"

# 6. A FIFO or an endless device where the module or a picture should be, in
#    a full-screen show: each is refused with one line before anything waits
#    on it or reads it, the opening scene plays, and Escape still ends it.
E2E_DATA="$E2E_TMP/special"
for module_kind in fifo zero; do
    rm -rf "$E2E_DATA" && mkdir -p "$E2E_DATA"
    cp "$E2E_TMP/data"/*.jpg "$E2E_DATA"/
    rm "$E2E_DATA/0.jpg" "$E2E_DATA/k.jpg"
    ln -s /dev/zero "$E2E_DATA/0.jpg"
    mkfifo "$E2E_DATA/k.jpg"
    if [ $module_kind = fifo ]; then mkfifo "$E2E_DATA/Vostr_1.it"; else ln -s /dev/zero "$E2E_DATA/Vostr_1.it"; fi
    start_show
    e2e_until 10 cursor_hidden || e2e_fail "$module_kind module: the full-screen show does not run"
    sleep 0.5
    e2e_key "$SHOW" Escape
    e2e_wait_exit 10
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$module_kind module: exit status $E2E_STATUS"
    [ "$(grep -c . "$E2E_RUN/stderr")" -eq 3 ] &&
        grep -q "^mardunqist: Vostr_1.it: is not a regular file" "$E2E_RUN/stderr" &&
        grep -q "^mardunqist: 0.jpg: is not a regular file (a character device)" "$E2E_RUN/stderr" &&
        grep -q "^mardunqist: k.jpg: is not a regular file (a FIFO)" "$E2E_RUN/stderr" ||
        e2e_fail "$module_kind module: stderr was: $(cat "$E2E_RUN/stderr")"
done

# 7. A song with fewer orders than the show's timeline: once it has played,
#    the show ends by itself, status 0, within two seconds of the song's end.
E2E_DATA="$E2E_TMP/shortsong"
mkdir -p "$E2E_DATA"
cp "$E2E_TMP/data"/*.jpg "$E2E_DATA"/
song_ms=$("$E2E_BUILD/tests/write-short-song" "$E2E_DATA/Vostr_1.it" 3 | awk '{ printf "%d", $1 * 1000 }') ||
    e2e_fail "cannot write the short song"
e2e_start_program -- --play --windowed --verbose
e2e_wait_exit $(( song_ms / 1000 + 15 ))
expect_clean_exit "a song shorter than the show"
e2e_expect_song_end "$song_ms"

e2e_log "all passed"
