#!/usr/bin/env bash
# Where the show's messages go, now that mardunqist.exe is a GUI program.
# Started by a console program that waits for it (start /wait in a Command
# Prompt whose console is a terminal), it has no console and no standard
# handles of its own, as on Windows: it attaches to that console, where
# --help and a bad picture's line then appear. Started with no console at all
# (start without /wait: cmd leaves at once), what stops it before the show
# comes in a message box, which Return closes. The gentle launcher, a batch
# file, waits for the GUI program and passes its arguments on.
# Usage: console.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-console
wine_init "${3:-}"

e2e_start_xvfb 1024x768x24
e2e_watch_windows
show=$(wine_path "$WIN_DIR/mardunqist.exe")

# in_console ARGS...: the show started from a Command Prompt in a terminal
# (script's), that terminal's text in $E2E_RUN/console.txt.
in_console() {
    E2E_PROGRAM=script e2e_start_program -- -qec "stty cols 300; wine cmd /c start \"\" /wait '$show' $*" \
        "$E2E_TMP/transcript"
    e2e_wait_exit 90
    wine_console_text "$E2E_TMP/transcript" >"$E2E_RUN/console.txt"
}

in_console --help
grep -q '^usage: mardunqist ' "$E2E_RUN/console.txt" && grep -q -- '--gentle' "$E2E_RUN/console.txt" ||
    e2e_fail "--help did not reach the console: $(head -c 300 "$E2E_RUN/console.txt")"
e2e_log "--help in the console it was started from"

# A short song, so that the show ends by itself; one picture cut short.
E2E_DATA="$E2E_TMP/data"
"$E2E_BUILD/mardunqist-assets" --short "$E2E_DATA" >/dev/null || e2e_fail "cannot generate the short show"
"$E2E_BUILD/tests/write-short-song" "$E2E_DATA/Vostr_1.it" 2 >/dev/null || e2e_fail "cannot write the short song"
head -c 4000 "$E2E_DATA/1.jpg" >"$E2E_TMP/cut.jpg" && mv "$E2E_TMP/cut.jpg" "$E2E_DATA/1.jpg"
in_console --play --windowed
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the show in the console ended with status $E2E_STATUS"
grep -q '^mardunqist: 1.jpg: Premature end of JPEG file' "$E2E_RUN/console.txt" ||
    e2e_fail "the cut picture's line did not reach the console: $(head -c 300 "$E2E_RUN/console.txt")"
e2e_log "the cut picture's line in the console"

# The gentle launcher still waits for the show and hands it its arguments.
E2E_PROGRAM=wine e2e_start_program -- cmd /c "$(wine_path "$WIN_DIR/mardunqist-gentle.cmd")" --play --windowed \
    --first-frame
e2e_wait_exit 60
[ "$E2E_STATUS" -eq 0 ] && grep -q 'first frame after' "$E2E_RUN/stdout" ||
    e2e_fail "mardunqist-gentle.cmd did not play the show (status $E2E_STATUS)"
e2e_log "mardunqist-gentle.cmd plays the show"

# No console: the line comes in a message box, and the program waits for it.
E2E_DATA=
e2e_mark_windows
E2E_PROGRAM=wine e2e_start_program -- cmd /c start "" "$show" --data nowhere
e2e_wait_exit 30
running() { pgrep -f 'mardunqist\.exe"? --data nowhere' >/dev/null; }
e2e_until 30 running || e2e_fail "mardunqist.exe did not start"
box_shown() { _e2e_find_window "kelvo mardunqist" "" >/dev/null; }
e2e_until 30 box_shown || e2e_fail "no message box"
box=$(_e2e_find_window "kelvo mardunqist" "")
e2e_screenshot message-box >/dev/null
[ "$(e2e_window_size "$box")" != 194x175 ] || e2e_fail "the chooser opened instead of a message box"
timeout 10 xdotool windowfocus "$box" 2>/dev/null || true
timeout 10 xdotool key Return || e2e_fail "cannot press Return"
e2e_until 20 eval '! running' || e2e_fail "mardunqist.exe still runs after its message box"
[ ! -s "$E2E_RUN/stderr" ] || e2e_fail "with no console the line went to cmd's stderr: $(cat "$E2E_RUN/stderr")"
e2e_log "no console: a message box, closed by Return"

e2e_log "all passed"
