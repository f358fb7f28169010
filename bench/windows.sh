#!/usr/bin/env bash
# The Windows programs from the zip under Wine, against the native ones in the
# same run: the zip's size, the show's start-up (launch to the first frame),
# and the capture tool's speed at 320x240 and 1024x768 (the show's first 600
# frames at 60 fps into PNG frames, whole runs, start-up included).
#
# usage: bench/windows.sh [--once] [BUILD_DIR [WINDOWS_BUILD]]   (make bench-windows)
#
# --once: one start-up and 30 frames a capture, to see that it still runs;
# the figures then mean nothing (the tests run it so).
#
# The machine is shared: run it while nothing else runs, and compare figures
# of one run.
set -euo pipefail
runs=${BENCH_STARTUP_RUNS:-5} frames=600
if [ "${1:-}" = --once ]; then
    runs=1 frames=30
    shift
fi
source "$(dirname "$0")/../tests/e2e/lib/common.sh"
source "$(dirname "$0")/../tests/windows/lib/wine.sh"
e2e_init "${1:-build}" "$(dirname "$0")/.." bench-windows
wine_init "${2:-build-windows}"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "zip: $(stat -c %s "$WIN_BUILD/mardunqist-win64.zip") bytes"

e2e_start_xvfb 1024x768x24
E2E_DATA=$WIN_DIR
# With --first-frame the show ends after its first frame and prints how long
# that took from its own start; Wine's start comes on top. stdout is a file,
# so the line arrives at the exit: launch to exit is what a viewer waits, and
# a little more.
launch=() own=()
for _ in $(seq "$runs"); do
    started=$(e2e_now_ms)
    wine_start mardunqist.exe -- --play --windowed --first-frame
    e2e_wait_exit 60
    launch+=($(( $(e2e_now_ms) - started )))
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "the show ended with status $E2E_STATUS"
    own+=("$(tr -d '\r' <"$E2E_RUN/stdout" | sed -n 's/.*first frame after \([0-9.]*\) ms.*/\1/p')")
    [ -n "${own[-1]}" ] || e2e_fail "no start-up line from mardunqist.exe: $(cat "$E2E_RUN/stdout")"
done
echo "start-up, $runs runs, windowed 640x480: launch to the first frame and exit under Wine" \
    "$(printf '%s\n' "${launch[@]}" | median) ms median" \
    "($(printf '%s ' "${launch[@]}")); the program's own $(printf '%s\n' "${own[@]}" | median) ms median"

E2E_DATA=
for size in 320x240 1024x768; do
    options=(--quiet --size "$size" --fps 60 --frames "$frames" --seed-tick 123456)
    started=$(e2e_now_ms)
    wine_start mardunqist-capture.exe -- "${options[@]}" --data "$(winepath -w "$WIN_DIR")" frames/
    e2e_wait_exit 900
    windows_ms=$(( $(e2e_now_ms) - started ))
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "the Windows capture ended with status $E2E_STATUS"
    native="$E2E_TMP/native-$size"
    mkdir -p "$native"
    started=$(e2e_now_ms)
    (cd "$native" && "$E2E_BUILD/mardunqist-capture" "${options[@]}" --data "$WIN_DIR" frames/) ||
        e2e_fail "the native capture failed"
    native_ms=$(( $(e2e_now_ms) - started ))
    awk -v s="$size" -v f="$frames" -v w="$windows_ms" -v n="$native_ms" 'BEGIN {
        printf "capture %s, %d frames: Windows under Wine %.1f frames a second, native %.1f\n",
            s, f, f * 1000 / w, f * 1000 / n }'
done
