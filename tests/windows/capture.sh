#!/usr/bin/env bash
# mardunqist-capture.exe from the zip under Wine against the native capture
# tool, same options (the short module, 320x240, 30 fps, seed tick 123456):
# identical timelines and sound, frames compared by PSNR (both draw with
# llvmpipe), no window shown on the way; both speeds reported. A video with
# no ffmpeg.exe on the PATH is refused with the native tool's own words, and
# --force replaces an earlier capture.
# Usage: capture.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-capture
wine_init "${3:-}"

# WGL reaches Mesa through Wine's X11 driver, so there is a server, but the
# capture must show no window on it.
e2e_start_xvfb 640x480x24
e2e_watch_windows
E2E_DATA="$E2E_TMP/data"
"$E2E_BUILD/mardunqist-assets" --short "$E2E_DATA" >/dev/null || e2e_fail "cannot generate the short show"
options=(--size 320x240 --fps 30 --seed-tick 123456 --data .)

e2e_mark_windows
started=$(e2e_now_ms)
wine_start mardunqist-capture.exe -- "${options[@]}" --timeline windows.csv frames/
e2e_wait_exit 180
windows_ms=$(( $(e2e_now_ms) - started ))
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the Windows capture ended with status $E2E_STATUS"
windows_run=$E2E_RUN
# Wine maps 1x1 helper windows of its own, untitled; the capture's own
# window for the GL context has a title, and must never be shown.
shown=$(_e2e_windows_since_mark | awk '$1 == "map" && NF > 2' | tr '\n' ' ')
[ -z "$shown" ] || e2e_fail "the Windows capture showed windows: $shown"

native_run="$E2E_TMP/native"
mkdir -p "$native_run"
cp -a "$E2E_DATA"/. "$native_run"/
started=$(e2e_now_ms)
(cd "$native_run" && "$E2E_BUILD/mardunqist-capture" --quiet "${options[@]}" --timeline native.csv frames/) ||
    e2e_fail "the native capture failed"
native_ms=$(( $(e2e_now_ms) - started ))

cmp -s "$windows_run/windows.csv" "$native_run/native.csv" ||
    e2e_fail "the timelines differ: $(diff "$windows_run/windows.csv" "$native_run/native.csv" | head -n 4)"
cmp -s "$windows_run/frames/audio.wav" "$native_run/frames/audio.wav" || e2e_fail "the sound differs"
frames=$(ls "$native_run/frames" | grep -c '^frame-')
[ "$(ls "$windows_run/frames" | grep -c '^frame-')" -eq "$frames" ] || e2e_fail "the frame counts differ"
psnr=$(timeout 120 ffmpeg -nostdin -loglevel info -i "$native_run/frames/frame-%06d.png" \
    -i "$windows_run/frames/frame-%06d.png" -lavfi psnr -f null - 2>&1 </dev/null |
    sed -n 's/.*PSNR .*average:\([^ ]*\) min:\([^ ]*\).*/\1 \2/p')
read -r average minimum <<<"$psnr"
[ -n "$minimum" ] || e2e_fail "no PSNR from ffmpeg"
# Identical frames give "inf"; llvmpipe on both sides should give that.
[ "$minimum" = inf ] || awk -v m="$minimum" 'BEGIN { exit !(m >= 40) }' ||
    e2e_fail "a Windows frame is far from its native one: PSNR min $minimum dB (average $average)"
e2e_log "$frames frames: timelines and sound identical, PSNR average $average dB, min $minimum dB"
e2e_log "speed: Windows under Wine $windows_ms ms, native $native_ms ms (whole runs, start-up included)"

# No ffmpeg.exe on Wine's PATH: the native tool's words without ffmpeg.
wine_start mardunqist-capture.exe -- --quiet --data . --frames 3 show.mp4
e2e_wait_exit 60
[ "$E2E_STATUS" -eq 1 ] || e2e_fail "a video without ffmpeg ended with status $E2E_STATUS"
(cd "$native_run" && env PATH=/nonexistent "$E2E_BUILD/mardunqist-capture" --quiet --data . --frames 3 show.mp4) \
    2>"$E2E_TMP/native-no-ffmpeg" && e2e_fail "the native capture made a video without ffmpeg"
# (Windows ends the line with CR LF.)
[ "$(tr -d '\r' <"$E2E_RUN/stderr")" = "$(cat "$E2E_TMP/native-no-ffmpeg")" ] ||
    e2e_fail "without ffmpeg the Windows tool says \"$(cat "$E2E_RUN/stderr")\""
[ ! -e "$E2E_RUN/show.mp4" ] || e2e_fail "a video appeared without ffmpeg"

# --force over the earlier capture: the folder and the timeline are replaced
# whole (Windows' C rename refuses a name that exists).
earlier=$(winepath -w "$windows_run")
wine_start mardunqist-capture.exe -- --quiet --data "$earlier" --frames 3 --force \
    --timeline "$earlier\\windows.csv" "$earlier\\frames\\"
e2e_wait_exit 60
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "--force over an earlier capture: status $E2E_STATUS: $(cat "$E2E_RUN/stderr")"
[ "$(grep -c . "$windows_run/windows.csv")" -eq 4 ] && [ "$(ls "$windows_run/frames" | wc -l)" -eq 4 ] ||
    e2e_fail "--force did not replace the timeline and the frames"

e2e_log "all passed"
