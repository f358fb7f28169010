#!/usr/bin/env bash
# The Windows show keeps the display awake while it plays: SDL asks Windows
# for it through the thread's execution state (ES_CONTINUOUS |
# ES_DISPLAY_REQUIRED) when the show's window system starts, and gives it
# back (ES_CONTINUOUS alone) when it ends. Wine does not pass the request on
# to the X server (its call is a stub that logs what it was asked), so the
# calls are what can be observed here: the request holds while the show
# plays, left untouched, and is given back after Escape.
# Usage: screensaver.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-screensaver
wine_init "${3:-}"

title="kelvo mardunqist"
E2E_DATA="$E2E_TMP/data"
e2e_long_show "$E2E_DATA"
e2e_start_xvfb 800x600x24

# The execution state last asked for, as Wine's trace of ntdll logs it.
execution_state() {
    grep -o 'NtSetThreadExecutionState (0x[0-9a-f]*' "$E2E_RUN/stderr" | tail -n 1 | sed 's/.*(//'
}
display_required=0x80000002
continuous_only=0x80000000

wine_start mardunqist.exe WINEDEBUG=-all,warn+ntdll -- --play --windowed
e2e_wait_window "$title" 60
for _ in 1 2 3 4; do
    sleep 0.5
    e2e_expect_running
    state=$(execution_state)
    [ "$state" = $display_required ] ||
        e2e_fail "while the show plays the execution state asked for is '$state', not $display_required"
done
e2e_key "$E2E_WINDOW" Escape
e2e_wait_exit 30
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "Escape: exit status $E2E_STATUS"
state=$(execution_state)
[ "$state" = $continuous_only ] || e2e_fail "after Escape the execution state asked for is '$state', not $continuous_only"
e2e_log "the display was asked to stay on while the show played, and let go after it"
e2e_log "all passed"
