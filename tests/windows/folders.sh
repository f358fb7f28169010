#!/usr/bin/env bash
# The zip unpacked into a folder whose name Wine's ANSI code page cannot hold
# ("Démo デモ") and into one whose path is longer than 260 characters: the
# capture tool, started from another working directory, finds the data beside
# its .exe and writes its frames and timeline into that folder, the same
# bytes as from an ASCII folder (and as with --data naming the folder); the
# show started there plays with its music, no file missing.
# Usage: folders.sh BUILD_DIR SOURCE_DIR WINDOWS_BUILD
set -euo pipefail
source "$(dirname "$0")/../e2e/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
e2e_init "$1" "$2" windows-folders
wine_init "${3:-}"

e2e_start_xvfb 1024x768x24
e2e_watch_windows

unpack() {  # FOLDER: the zip's programs and data in FOLDER/mardunqist-win64
    mkdir -p "$1"
    (cd "$1" && unzip -q "$WIN_BUILD/mardunqist-win64.zip") || e2e_fail "cannot unpack the zip into $1"
}
unicode="$E2E_TMP/Démo デモ"
deep="$E2E_TMP/deep"
while [ "${#deep}" -le 280 ]; do deep="$deep/a folder with a long name"; done
unpack "$unicode"
unpack "$deep"

options=(--size 160x120 --fps 30 --frames 20 --seed-tick 123456)
# capture NAME PROGRAM_FOLDER OUTPUT_FOLDER [ARGS...]: the capture tool of
# PROGRAM_FOLDER, started in a folder of its own, writing NAME-frames and
# NAME.csv into OUTPUT_FOLDER.
capture() {
    local name=$1 programs=$2 output
    output=$(wine_path "$3")
    shift 3
    e2e_start_program -- "$programs/mardunqist-capture.exe" --quiet "${options[@]}" "$@" \
        --timeline "$output\\$name.csv" "$output\\$name-frames\\"
    e2e_wait_exit 120
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$name: the capture ended with status $E2E_STATUS"
    wine_expect_quiet "$name"
}
capture ascii "$WIN_DIR" "$E2E_TMP"
capture unicode "$unicode/mardunqist-win64" "$unicode"
capture deep "$deep/mardunqist-win64" "$deep"
capture data "$WIN_DIR" "$unicode" --data "$(wine_path "$unicode/mardunqist-win64")"

# The module was found: every frame of the reference has the music playing.
[ "$(awk -F, 'NR > 1 && $5 != 1' "$E2E_TMP/ascii.csv" | wc -l)" -eq 0 ] ||
    e2e_fail "the reference capture played without its music"
for name in unicode deep data; do
    folder=$unicode
    [ "$name" = deep ] && folder=$deep
    cmp -s "$E2E_TMP/ascii.csv" "$folder/$name.csv" || e2e_fail "$name: the timeline differs"
    for file in "$E2E_TMP/ascii-frames"/*; do
        cmp -s "$file" "$folder/$name-frames/${file##*/}" || e2e_fail "$name: ${file##*/} differs"
    done
done
e2e_log "capture: the same $(ls "$E2E_TMP/ascii-frames" | wc -l) files and timeline from \"Démo デモ\", from a" \
    "${#deep}-character path and with --data"

# The show from each folder: the music starts, nothing is missing, Escape ends it.
music_heard() { grep -q 'music playing' "$E2E_RUN/stdout"; }
for folder in "$unicode" "$deep"; do
    e2e_start_program -- "$folder/mardunqist-win64/mardunqist.exe" --play --windowed --verbose
    e2e_wait_window "kelvo mardunqist" 60
    e2e_until 30 music_heard || e2e_fail "no music from the show in ${folder#"$E2E_TMP"/}"
    timeout 10 xdotool windowfocus "$E2E_WINDOW" 2>/dev/null || true
    timeout 10 xdotool key Escape || e2e_fail "cannot press Escape"
    e2e_wait_exit 30
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "Escape ended the show with status $E2E_STATUS"
    wine_expect_quiet "the show in ${folder#"$E2E_TMP"/}" '^ALSA lib|^mardunqist: no sound device'
done
e2e_log "the show plays with its music from both folders"

e2e_log "all passed"
