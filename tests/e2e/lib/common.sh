# Helpers for the end-to-end scripts: a private Xvfb, the real program run in a
# scratch folder, windows found by title, clicks, screenshots, a user's close
# request, and exits waited for with a deadline. Source this file after
# `set -euo pipefail`; call e2e_init first.
#
# Every wait has a deadline, so a hung program fails its test instead of
# hanging it; the EXIT trap kills whatever is still running.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Debian's python3 comes with libgtk-3-dev; prefer it to any other on PATH.
if [ -x /usr/bin/python3 ]; then E2E_PYTHON=/usr/bin/python3; else E2E_PYTHON=python3; fi

E2E_PIDS=()
E2E_XVFB_PID=
E2E_PID=
E2E_STATUS=
E2E_WINDOW=
E2E_RUN=
E2E_RUNS=0

# e2e_init BUILD_DIR SOURCE_DIR [NAME]: scratch and output folders, cleanup trap.
e2e_init() {
    [ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR SOURCE_DIR" >&2; exit 2; }
    E2E_BUILD=$(cd "$1" && pwd)
    E2E_SOURCE=$(cd "$2" && pwd)
    E2E_NAME=${3:-$(basename "$0" .sh)}
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/mardunqist-e2e.XXXXXX")
    # Screenshots stay here for a person to look at.
    E2E_OUT="$E2E_BUILD/test-output/e2e/$E2E_NAME"
    mkdir -p "$E2E_OUT"
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # Our own X server only: GTK must not pick a Wayland session instead.
    unset WAYLAND_DISPLAY
    export GDK_BACKEND=x11
}

e2e_log() { echo "[$E2E_NAME] $*" >&2; }

# e2e_fail MESSAGE: report, show the last run's output, end the test.
e2e_fail() {
    echo "FAIL [$E2E_NAME]: $*" >&2
    if [ -n "$E2E_RUN" ] && [ -d "$E2E_RUN" ]; then
        echo "--- stderr of the program ($E2E_RUN):" >&2
        tail -n 30 "$E2E_RUN/stderr" >&2 || true
    fi
    if [ -f "$E2E_TMP/windows.log" ]; then
        echo "--- top-level windows:" >&2
        tail -n 30 "$E2E_TMP/windows.log" >&2 || true
    fi
    exit 1
}

e2e_kill() {  # PID: TERM, then KILL if it lingers
    local pid=$1 i
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 20); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
}

e2e_cleanup() {
    local status=$? pid
    set +e
    for pid in "${E2E_PIDS[@]}"; do e2e_kill "$pid"; done
    [ -n "$E2E_XVFB_PID" ] && e2e_kill "$E2E_XVFB_PID"
    wait 2>/dev/null
    rm -rf "$E2E_TMP"
    exit "$status"
}

e2e_now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# e2e_until SECONDS COMMAND...: retry COMMAND every 50 ms; fails at the deadline.
e2e_until() {
    local limit_ms=$(( $(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }') )); shift
    local deadline=$(( $(e2e_now_ms) + limit_ms ))
    until "$@"; do
        [ "$(e2e_now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

_e2e_display_ready() { grep -qx '[0-9][0-9]*' "$1" 2>/dev/null; }

# e2e_start_xvfb [WxHxDEPTH]: a private server on a free display; exports DISPLAY.
e2e_start_xvfb() {
    local screen=${1:-1024x768x24} numfile="$E2E_TMP/xvfb.display"
    : >"$numfile"
    # -displayfd picks a free display number and writes it once listening.
    Xvfb -displayfd 5 -screen 0 "$screen" -nolisten tcp -noreset \
        5>"$numfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    if ! e2e_until 15 _e2e_display_ready "$numfile"; then
        cat "$E2E_TMP/xvfb.log" >&2
        e2e_fail "Xvfb did not start"
    fi
    export DISPLAY=":$(head -n 1 "$numfile")"
    timeout 10 xdpyinfo >/dev/null 2>&1 || e2e_fail "Xvfb on $DISPLAY does not answer"
    e2e_log "Xvfb on $DISPLAY ($screen)"
}

# e2e_watch_windows: log every top-level window created, mapped (with its
# title) or destroyed from now on, to $E2E_TMP/windows.log.
e2e_watch_windows() {
    "$E2E_PYTHON" "$E2E_LIB_DIR/x11.py" watch >"$E2E_TMP/windows.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_until 10 grep -qx ready "$E2E_TMP/windows.log" || e2e_fail "the window watcher did not start"
}

# e2e_mark_windows: later queries see only windows logged from now on.
e2e_mark_windows() {
    E2E_WINDOWS_MARK=$(wc -l <"$E2E_TMP/windows.log")
}
E2E_WINDOWS_MARK=0

_e2e_windows_since_mark() { tail -n +"$((E2E_WINDOWS_MARK + 1))" "$E2E_TMP/windows.log"; }

_e2e_hex() { printf '0x%x' "$1"; }

# e2e_mapped_windows TITLE: ids (0x...) of the windows mapped with TITLE since the mark.
e2e_mapped_windows() {
    _e2e_windows_since_mark |
        awk -v title="$1" '$1 == "map" { name = $0; sub(/^map [^ ]* ?/, "", name); if (name == title) print $2 }'
}

# e2e_window_event_line EVENT WINDOW: line number (since the mark) of the first
# "create", "map" or "destroy" of WINDOW; empty if there is none yet.
e2e_window_event_line() {
    _e2e_windows_since_mark | awk -v want="$1 $(_e2e_hex "$2")" '!found && $1 " " $2 == want { print NR; found = 1 }'
}

# e2e_start_program [ENV-ARGS...] [-- PROGRAM-ARGS...]: run the show
# ($E2E_PROGRAM, by default the one just built) in a fresh folder (empty, or
# holding copies of $E2E_DATA's files, special files and links as they are)
# with the dummy audio driver; arguments before "--" go to env(1)
# (VAR=VALUE, -u VAR), the rest to the show.
# Sets E2E_PID and E2E_RUN (the folder, holding stdout and stderr).
e2e_start_program() {
    local env_args=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do env_args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    E2E_RUNS=$((E2E_RUNS + 1))
    E2E_RUN="$E2E_TMP/run$E2E_RUNS"
    mkdir -p "$E2E_RUN"
    # The show's data files, when the test set E2E_DATA to a folder of them.
    if [ -n "${E2E_DATA:-}" ]; then cp -a "$E2E_DATA"/. "$E2E_RUN"/; fi
    (cd "$E2E_RUN" && export SDL_AUDIODRIVER=dummy &&
        exec env "${env_args[@]}" "${E2E_PROGRAM:-$E2E_BUILD/mardunqist}" "$@" \
            >"$E2E_RUN/stdout" 2>"$E2E_RUN/stderr") &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}

# e2e_long_show FOLDER: the short show's data in FOLDER with a song of 38 s,
# so that no show ends by itself while a test looks at it.
e2e_long_show() {
    "$E2E_BUILD/mardunqist-assets" --short "$1" >/dev/null || e2e_fail "cannot generate the short show"
    "$E2E_BUILD/tests/write-short-song" "$1/Vostr_1.it" 20 >/dev/null || e2e_fail "cannot write the song"
}

# e2e_wait_exit SECONDS: waits for the program to end and sets E2E_STATUS to
# its exit status. Fails the test if it is still running at the deadline.
# (Not in $(...): only this shell can collect its child's status.)
e2e_wait_exit() {
    local limit=$1
    E2E_STATUS=0
    e2e_until "$limit" _e2e_gone "$E2E_PID" || e2e_fail "the program did not end within ${limit} s"
    wait "$E2E_PID" || E2E_STATUS=$?
}

_e2e_gone() { ! kill -0 "$1" 2>/dev/null; }

# e2e_expect_running: fails the test if the program has already ended.
e2e_expect_running() {
    if ! kill -0 "$E2E_PID" 2>/dev/null; then
        e2e_wait_exit 1
        e2e_fail "the program ended early, status $E2E_STATUS"
    fi
}

_e2e_find_window() {  # TITLE EXCLUDED-ID: prints a visible window with TITLE, not EXCLUDED
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        if [ "$id" != "$2" ]; then echo "$id"; return 0; fi
    done
    return 1
}

# e2e_wait_window TITLE [SECONDS] [EXCLUDED-ID]: sets E2E_WINDOW to the
# (decimal) id of a visible window titled TITLE other than EXCLUDED-ID; fails
# at the deadline or when the program ends first.
e2e_wait_window() {
    local title=$1 limit=${2:-20} excluded=${3:-} deadline
    deadline=$(( $(e2e_now_ms) + limit * 1000 ))
    while true; do
        if E2E_WINDOW=$(_e2e_find_window "$title" "$excluded"); then
            return 0
        fi
        e2e_expect_running
        [ "$(e2e_now_ms)" -lt "$deadline" ] || e2e_fail "no window \"$title\" within ${limit} s"
        sleep 0.05
    done
}

# e2e_window_size WINDOW: prints WIDTHxHEIGHT of the window's client area.
e2e_window_size() {
    local info
    info=$(timeout 10 xwininfo -id "$1") || e2e_fail "no window $1"
    echo "$info" |
        awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { if (w && h) print w "x" h }'
}

# e2e_window_origin WINDOW: prints X,Y of the window on the screen.
e2e_window_origin() {
    local info
    info=$(timeout 10 xwininfo -id "$1") || e2e_fail "no window $1"
    echo "$info" |
        awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x "," y }'
}

# e2e_click WINDOW X Y: left click at X,Y in the window's client area.
e2e_click() {
    timeout 10 xdotool mousemove --window "$1" "$2" "$3" click 1 || e2e_fail "click at $2,$3 failed"
}

# e2e_key WINDOW KEY: a key press and release sent to the window.
e2e_key() {
    timeout 10 xdotool key --window "$1" "$2" || e2e_fail "key $2 failed"
}

# e2e_close_window WINDOW: what a window manager sends when the user clicks the
# close box (xdotool windowclose would destroy the window under the program).
e2e_close_window() {
    timeout 10 xprop -id "$1" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW ||
        e2e_fail "window $1 does not take WM_DELETE_WINDOW"
    timeout 10 "$E2E_PYTHON" "$E2E_LIB_DIR/x11.py" close "$1" || e2e_fail "close request failed"
}

# e2e_cursor WINDOW: prints "hidden" or "visible": the cursor the pointer
# shows once moved into WINDOW.
e2e_cursor() {
    timeout 10 xdotool mousemove --window "$1" 10 10 || e2e_fail "cannot move the pointer"
    timeout 10 "$E2E_PYTHON" "$E2E_LIB_DIR/x11.py" cursor || e2e_fail "cannot read the cursor"
}

# e2e_screenshot NAME: the whole screen as $E2E_OUT/NAME.png; prints the path.
e2e_screenshot() {
    local file="$E2E_OUT/$1.png" size
    size=$(timeout 10 xdpyinfo | awk '/dimensions:/ { print $2 }') || e2e_fail "xdpyinfo failed"
    # No pointer in the picture: it would hide what is under it.
    timeout 30 ffmpeg -nostdin -loglevel error -y -f x11grab -draw_mouse 0 -video_size "$size" -i "$DISPLAY" \
        -frames:v 1 "$file" </dev/null || e2e_fail "screenshot failed"
    echo "$file"
}

# e2e_crop SOURCE NAME X Y W H: a part of a screenshot as $E2E_OUT/NAME.png.
e2e_crop() {
    local file="$E2E_OUT/$2.png"
    timeout 30 ffmpeg -nostdin -loglevel error -y -i "$1" -vf "crop=$5:$6:$3:$4" "$file" </dev/null ||
        e2e_fail "crop failed"
    echo "$file"
}

# e2e_region FILE X Y W H: the RGB bytes of a rectangle of a PNG, as hex.
e2e_region() {
    timeout 30 ffmpeg -nostdin -loglevel error -i "$1" -vf "crop=$4:$5:$2:$3" -f rawvideo -pix_fmt rgb24 - </dev/null |
        od -An -v -tx1 | tr -d ' \n'
}

# e2e_lit_bytes FILE X Y W H: how many RGB bytes of a rectangle of a PNG are
# not 0 (0 for a black rectangle).
e2e_lit_bytes() {
    timeout 30 ffmpeg -nostdin -loglevel error -i "$1" -vf "crop=$4:$5:$2:$3" -f rawvideo -pix_fmt rgb24 - </dev/null |
        tr -d '\000' | wc -c
}

# e2e_expect_picture_at FILE X Y W H AREA_X AREA_Y AREA_W AREA_H: in the area
# of a screenshot (a window's client area, or the screen) the show's picture
# fills the rectangle X Y W H (screen pixels), lit, and the area around it
# is black.
e2e_expect_picture_at() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 ax=$6 ay=$7 aw=$8 ah=$9 lit
    lit=$(e2e_lit_bytes "$file" "$x" "$y" "$w" "$h")
    [ "$lit" -gt $(( w * h / 10 )) ] || e2e_fail "$(basename "$file"): the picture's ${w}x${h} at $x,$y is dark ($lit lit bytes)"
    # The bands left and right (or above and below) of it, a pixel in from
    # its edges, where scaling may blend the picture's edge into them.
    local band
    for band in "$ax $ay $(( x - ax - 1 )) $ah" "$(( x + w + 1 )) $ay $(( ax + aw - x - w - 1 )) $ah" \
                "$ax $ay $aw $(( y - ay - 1 ))" "$ax $(( y + h + 1 )) $aw $(( ay + ah - y - h - 1 ))"; do
        set -- $band
        [ "$3" -gt 0 ] && [ "$4" -gt 0 ] || continue
        lit=$(e2e_lit_bytes "$file" "$1" "$2" "$3" "$4")
        [ "$lit" -eq 0 ] || e2e_fail "$(basename "$file"): $lit lit bytes beside the picture, in ${3}x${4} at $1,$2"
    done
}

# e2e_lit_pixels SCREENSHOT WINDOW: how many pixels of WINDOW in the
# screenshot are brighter than grey 48 (a dark or unpainted window has none).
e2e_lit_pixels() {
    local size origin
    size=$(e2e_window_size "$2")
    origin=$(e2e_window_origin "$2")
    timeout 30 ffmpeg -nostdin -loglevel error -i "$1" \
            -vf "crop=${size%x*}:${size#*x}:${origin%,*}:${origin#*,}" -f rawvideo -pix_fmt gray - </dev/null |
        od -An -v -tu1 | awk '{ for (i = 1; i <= NF; i++) if ($i > 48) n++ } END { print n + 0 }'
}

# e2e_play_from_chooser: with the chooser of the program just started in
# E2E_WINDOW, as a viewer would: a look at it (chooser.png), "windowed" and
# "play", a look at the show's window 3 s later (show.png), which must have
# light in it, then Escape and an exit with status 0. Sets E2E_LIT to the
# window's lit pixels.
e2e_play_from_chooser() {
    local chooser=$E2E_WINDOW title shot
    title=$(timeout 10 xdotool getwindowname "$chooser") || e2e_fail "the chooser has gone"
    timeout 10 xdotool mousemove 0 0 || e2e_fail "cannot move the pointer"
    e2e_screenshot chooser >/dev/null
    e2e_click "$chooser" 125 100
    e2e_click "$chooser" 48 145
    e2e_wait_window "$title" 30 "$chooser"
    sleep 3
    shot=$(e2e_screenshot show)
    E2E_LIT=$(e2e_lit_pixels "$shot" "$E2E_WINDOW")
    [ "$E2E_LIT" -gt 500 ] || e2e_fail "the show's window is dark ($E2E_LIT lit pixels)"
    e2e_key "$E2E_WINDOW" Escape
    e2e_wait_exit 20
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "the show ended with status $E2E_STATUS"
}

# e2e_dark_runs FILE x|y N [THRESHOLD]: along the column x = N (or the row
# y = N) of a PNG, the runs of pixels darker than THRESHOLD (grey 0-255,
# default 215), as "first-last first-last ...". Borders and marks of light
# widgets show up as such runs.
e2e_dark_runs() {
    local crop
    if [ "$2" = x ]; then crop="crop=1:ih:$3:0"; else crop="crop=iw:1:0:$3"; fi
    timeout 30 ffmpeg -nostdin -loglevel error -i "$1" -vf "$crop" -f rawvideo -pix_fmt gray - </dev/null |
        od -An -v -tu1 |
        awk -v limit="${4:-215}" '
            BEGIN { start = -1; n = 0 }
            { for (i = 1; i <= NF; i++) {
                  if ($i < limit) { if (start < 0) start = n; end = n }
                  else if (start >= 0) { printf "%s%d-%d", sep, start, end; sep = " "; start = -1 }
                  n++ } }
            END { if (start >= 0) printf "%s%d-%d", sep, start, end; print "" }'
}

# e2e_marks_moved BEFORE AFTER: the chooser's marks in AFTER show "800x600"
# and "windowed" clicked in BEFORE's default state: the rows of 640x480,
# 800x600 and windowed changed (each the 20-px strip right of x = 50, WIDTH
# wide), 1024x768 untouched.
e2e_marks_moved() {
    local before=$1 after=$2 width=${3:-150}
    [ "$(_e2e_mark_row "$before" 20 "$width")" != "$(_e2e_mark_row "$after" 20 "$width")" ] &&
        [ "$(_e2e_mark_row "$before" 40 "$width")" != "$(_e2e_mark_row "$after" 40 "$width")" ] &&
        [ "$(_e2e_mark_row "$before" 90 "$width")" != "$(_e2e_mark_row "$after" 90 "$width")" ] &&
        [ "$(_e2e_mark_row "$before" 60 "$width")" = "$(_e2e_mark_row "$after" 60 "$width")" ]
}

_e2e_mark_row() { e2e_region "$1" 50 "$2" "$3" 20; }

# e2e_expect_song_end SONG_MS: the last run (with --verbose) heard its song
# through (a loaded machine may slow the sound thread down, never speed it
# up), and the show ended within two seconds of the music's end; logs how
# long it played and how soon it ended.
e2e_expect_song_end() {
    local times
    # (Windows programs end their lines with CR LF.)
    times=$(awk -v song="$1" '
        { sub(/\r$/, "") }
        $3 == "music" && $4 == "playing" && !seen["played"]++ { played = $1 }
        $3 == "music" && $4 == "stopped" && !seen["stopped"]++ { stopped = $1 }
        $3 == "show" && $4 == "ended" { seen["ended"]++; ended = $1 }
        END {
            if (!seen["played"] || !seen["stopped"] || !seen["ended"]) exit 1
            p = int((stopped - played) * 1000); e = int((ended - stopped) * 1000)
            print p, e
            exit !(p >= song - 300 && p <= 2 * song && e <= 2000)
        }' "$E2E_RUN/stdout") ||
        e2e_fail "a song of $1 ms: not heard through, or the show did not end after it: $(tr '\n' ';' <"$E2E_RUN/stdout")"
    e2e_log "a song of $1 ms played $(echo "$times" | awk '{ printf "%d ms; the show ended %d ms after it", $1, $2 }')"
}

# e2e_expect_no_gtk_complaints: the last run printed no GLib/GTK warning.
e2e_expect_no_gtk_complaints() {
    if grep -E '(Gtk|Gdk|GLib|GLib-GObject|GLib-GIO|Pango)-(CRITICAL|WARNING|ERROR) \*\*' "$E2E_RUN/stderr" >&2; then
        e2e_fail "GTK complained on stderr"
    fi
}
