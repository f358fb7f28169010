#!/usr/bin/env bash
# The screen stays awake while the show plays: on an X server whose screen
# saver starts after a second without input, the show, left untouched, holds
# it off; once the show has ended, by Escape or killed outright, the screen
# saver starts again.
# Usage: screensaver.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

title="kelvo mardunqist"
E2E_DATA="$E2E_TMP/data"
e2e_long_show "$E2E_DATA"

e2e_start_xvfb 640x480x24
timeout 10 "$E2E_PYTHON" "$E2E_LIB_DIR/x11.py" saver 1 || e2e_fail "cannot set the screen saver's timeout"
saver() { timeout 10 "$E2E_PYTHON" "$E2E_LIB_DIR/x11.py" saver; }
saver_on() { [ "$(saver)" = on ]; }

# Without the show, nobody at the keys: it starts.
e2e_until 10 saver_on || e2e_fail "the screen saver does not start by itself here ($(saver))"

for ending in Escape SIGKILL; do
    # No session bus: SDL would tell a desktop's screen saver service there
    # instead of this server.
    e2e_start_program DBUS_SESSION_BUS_ADDRESS=disabled: -- --play --windowed
    e2e_wait_window "$title" 30
    # Three times the screen saver's timeout, nobody touching anything.
    for _ in 1 2 3 4 5 6; do
        sleep 0.5
        e2e_expect_running
        state=$(saver)
        [ "$state" = off ] || e2e_fail "the screen saver is $state while the show plays"
    done
    if [ $ending = Escape ]; then
        e2e_key "$E2E_WINDOW" Escape
        e2e_wait_exit 20
        [ "$E2E_STATUS" -eq 0 ] || e2e_fail "Escape: exit status $E2E_STATUS"
    else
        kill -KILL "$E2E_PID"
        e2e_wait_exit 10
    fi
    e2e_until 10 saver_on || e2e_fail "after $ending the screen saver does not start again ($(saver))"
    e2e_log "$ending: the screen saver stayed off while the show played, and started again after it"
done

e2e_log "all passed"
