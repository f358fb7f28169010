#!/usr/bin/env bash
# mardunqist-flashcheck as a user runs it: its exit status on a video that
# passes, one that fails and a file that cannot be read; its lines and its
# report; a folder of PNG frames at a rate of its own.
# Usage: flashcheck.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

flashcheck=$E2E_BUILD/mardunqist-flashcheck
videos=$E2E_SOURCE/tests/data/iris/TestVideos
cd "$E2E_TMP"

status_of() {  # ARGS...: the checker's exit status, its output in out.txt and err.txt
    local status=0
    "$flashcheck" "$@" >out.txt 2>err.txt || status=$?
    echo "$status"
}

# A video that passes, one that passes with warnings, and one that fails:
# a line for each second that fails or warns, and the summary.
[ "$(status_of "$videos/gray.mp4")" -eq 0 ] && grep -q "gray.mp4: pass" out.txt ||
    e2e_fail "gray.mp4: $(cat out.txt err.txt)"
[ "$(status_of "$videos/2Hz_5s.mp4")" -eq 0 ] && grep -q "pass with warnings: 16 of 25 frames warn" out.txt ||
    e2e_fail "2Hz_5s.mp4: $(cat out.txt err.txt)"
[ "$(status_of --report seconds.csv "$videos/3Hz_6s.mp4")" -eq 1 ] || e2e_fail "3Hz_6s.mp4 did not fail: $(cat out.txt)"
grep -q "^  0:01 flash-fail: 7 luminance transitions in a second" out.txt &&
    grep -q "3Hz_6s.mp4: fail: 36 of 149 frames fail (6 flash, 30 extended" out.txt ||
    e2e_fail "3Hz_6s.mp4 said: $(cat out.txt)"
[ "$(wc -l <seconds.csv)" -eq 7 ] && grep -qx "1,flash-fail,6,0,7,0,6,0,19" seconds.csv ||
    e2e_fail "the report of 3Hz_6s.mp4: $(cat seconds.csv)"

# A file that cannot be read: status 2, one line with its name and why.
echo "not a video" >bad.mp4
for case in "bad.mp4:Invalid data found when processing input" "missing.mp4:No such file or directory"; do
    file=${case%%:*}
    [ "$(status_of "$file")" -eq 2 ] && [ "$(wc -l <err.txt)" -eq 1 ] &&
        grep -q "mardunqist-flashcheck: $file: ${case#*:}" err.txt || e2e_fail "$file: $(cat err.txt)"
done
[ "$(status_of --matrix bt2020 "$videos/gray.mp4")" -eq 2 ] && grep -q "is not tagged, bt601 or bt709" err.txt ||
    e2e_fail "a bad --matrix: $(cat err.txt)"
[ "$(status_of --report nodir/r.csv "$videos/gray.mp4")" -eq 2 ] && grep -q "nodir/r.csv" err.txt ||
    e2e_fail "a report that cannot be written: $(cat err.txt)"

# PNG frames: the same frames give the same verdicts as the video, at the
# rate given, and a folder without PNGs is an error.
mkdir frames
ffmpeg -nostdin -v error -i "$videos/3Hz_6s.mp4" frames/%04d.png
[ "$(status_of --fps 25 --quiet frames)" -eq 1 ] && grep -q "frames: fail: 36 of 149 frames fail" out.txt ||
    e2e_fail "3Hz_6s as PNG frames: $(cat out.txt err.txt)"
[ "$(status_of --fps 50 --quiet frames)" -eq 1 ] && ! grep -q "36 of 149" out.txt ||
    e2e_fail "--fps made no difference: $(cat out.txt)"
mkdir empty
[ "$(status_of empty)" -eq 2 ] && grep -q "empty: holds no PNG frames" err.txt || e2e_fail "empty folder: $(cat err.txt)"

[ "$(status_of --help)" -eq 0 ] && grep -q "^usage: mardunqist-flashcheck" out.txt || e2e_fail "--help"
e2e_log "all passed"
