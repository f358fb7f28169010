#!/usr/bin/env bash
# Full screen on Windows, inside a Wine virtual desktop (plain Xvfb has one
# mode and Wine refuses the switch there): the desktop switches to the
# show's 640x480 and the show draws over all of it; after Escape, and after
# Ctrl-C, the desktop is back at its own 1024x768 and the status is 0.
# Usage: fullscreen.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-fullscreen
wine_init "${3:-}"

desktop=mardunqist-test
desktop_title="$desktop - Wine desktop"
desktop_mode=1024x768

e2e_start_xvfb "${desktop_mode}x24"
# The working directory holds no module, so the show plays the zip's own
# (minutes long: only Escape or Ctrl-C ends it here).
E2E_DATA="$E2E_TMP/data"
mkdir -p "$E2E_DATA"
# explorer keeps the program's status to itself; a batch file writes it down.
printf '@"%s" --play\r\n@echo %%ERRORLEVEL%%> status.txt\r\n' "$(winepath -w "$WIN_DIR/mardunqist.exe")" \
    >"$E2E_DATA/show.bat"

desktop_size() {  # the virtual desktop's size now, "" once it is gone
    local id
    id=$(xdotool search --name "^$desktop_title\$" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && e2e_window_size "$id" 2>/dev/null || true
}

desktop_is() { [ "$(desktop_size)" = "$1" ]; }

# stop_show HOW: ends the running full-screen show by Escape or Ctrl-C,
# noting every size the desktop takes until the show's process is gone.
stop_show() {
    local sizes size pid
    sizes=$(desktop_size)
    if [ "$1" = Escape ]; then
        timeout 10 xdotool windowfocus "$SHOW" 2>/dev/null || true
        timeout 10 xdotool key Escape || e2e_fail "cannot press Escape"
    else
        pid=$(pgrep -f "mardunqist\.exe\"? --play" | head -n 1) || e2e_fail "no mardunqist.exe process"
        kill -INT "$pid"
    fi
    while [ ! -s "$E2E_RUN/status.txt" ]; do
        size=$(desktop_size)
        [ -n "$size" ] && [ "$size" != "${sizes##* }" ] && sizes="$sizes $size"
        e2e_expect_running
        sleep 0.05
    done
    size=$(desktop_size)
    [ -n "$size" ] && [ "$size" != "${sizes##* }" ] && sizes="$sizes $size"
    SIZES=${sizes# }
}

for way in Escape Ctrl-C; do
    e2e_start_program -- explorer "/desktop=$desktop,$desktop_mode" cmd /c show.bat
    e2e_until 60 desktop_is 640x480 || e2e_fail "the desktop did not switch to 640x480 (it is $(desktop_size))"
    e2e_wait_window "kelvo mardunqist" 30
    SHOW=$E2E_WINDOW
    sleep 1
    shot=$(e2e_screenshot "fullscreen-$way")
    lit=$(e2e_region "$shot" 0 0 640 480 | fold -w 2 | grep -cv '^0[0-9a-f]$' || true)
    [ "$lit" -gt 10000 ] || e2e_fail "the full-screen show draws nothing ($lit lit bytes)"
    stop_show "$way"
    [[ " $SIZES " == *" 640x480 $desktop_mode "* ]] ||
        e2e_fail "$way: the desktop went through \"$SIZES\", not back from 640x480 to $desktop_mode"
    status=$(tr -d '\r\n ' <"$E2E_RUN/status.txt")
    [ "$status" = 0 ] || e2e_fail "$way ended the full-screen show with status $status"
    e2e_wait_exit 30
    e2e_log "$way: desktop $SIZES, status 0"
done

e2e_log "all passed"
