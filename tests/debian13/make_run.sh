#!/usr/bin/env bash
# `make run` as a viewer types it, under Xvfb, in a tree that is already
# built: the chooser opens, "windowed" and "play" start the show, which
# draws, and Escape ends it with status 0. Says how long the chooser took.
# Usage: make_run.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
e2e_init "$1" "$2" make-run

title="kelvo mardunqist"
e2e_start_xvfb 1024x768x24

E2E_PROGRAM=make
started=$(e2e_now_ms)
e2e_start_program -- -s -C "$E2E_SOURCE" run
e2e_wait_window "$title" 120
e2e_log "the chooser $(( $(e2e_now_ms) - started )) ms after make run"
e2e_play_from_chooser
e2e_log "the show drew $E2E_LIT lit pixels in 3 s; screenshots in $E2E_OUT"
