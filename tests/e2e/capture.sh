#!/usr/bin/env bash
# The capture tool on the short module at small sizes: frame count, sound
# length, determinism, the timeline, a fractional frame rate, the video path,
# and the ways a capture must refuse or give up cleanly.
# Usage: capture.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

capture=$E2E_BUILD/mardunqist-capture
data=$E2E_TMP/data
"$E2E_BUILD/mardunqist-assets" --short "$data" >/dev/null || e2e_fail "cannot generate the short show"
cd "$E2E_TMP"

wav_samples() {  # FILE: sample frames in a 16-bit stereo WAV
    echo $(( ($(stat -c %s "$1") - 44) / 4 ))
}

# 1. The whole show at 30 fps into a folder, with its timeline.
"$capture" --quiet --data "$data" --size 160x120 --fps 30 --timeline a.csv a/ || e2e_fail "capture a failed"
frames=$(ls a/frame-*.png | wc -l)
# The short module lasts 7.6 s: the show ends on the frame where it stops.
[ "$frames" -ge 226 ] && [ "$frames" -le 230 ] || e2e_fail "$frames frames for a 7.6 s show at 30 fps"
samples=$(wav_samples a/audio.wav)
expected=$(( frames * 44100 / 30 ))
[ $(( samples - expected )) -ge -1470 ] && [ $(( samples - expected )) -le 1470 ] ||
    e2e_fail "audio.wav holds $samples samples for $frames frames (expected about $expected)"
[ "$(wc -l <a.csv)" -eq $(( frames + 1 )) ] || e2e_fail "timeline rows do not match the frames"
awk -F, 'NR > 2 && $3 < order { bad = 1 } NR > 1 { order = $3 } END { exit bad }' a.csv ||
    e2e_fail "the timeline's orders go backwards"
last=$(tail -n 1 a.csv)
[ "$(echo "$last" | cut -d, -f3)" -ge 33 ] || e2e_fail "the show ended before the credits: $last"
[ "$(echo "$last" | cut -d, -f5)" = 0 ] || e2e_fail "the show ended with the music playing: $last"
[ "$(sed -n 2p a.csv)" = "0,1000,0,0,1" ] || e2e_fail "first frame: $(sed -n 2p a.csv)"
e2e_log "whole show: $frames frames, $samples samples"

# 2. The same options give the same bytes.
"$capture" --quiet --data "$data" --size 160x120 --fps 30 b/ || e2e_fail "capture b failed"
diff -rq a b >/dev/null || e2e_fail "two captures with the same options differ"
"$capture" --quiet --data "$data" --size 160x120 --fps 30 --seed-tick 99 --frames 120 c/ ||
    e2e_fail "capture c failed"
cmp -s a/frame-000119.png c/frame-000119.png && e2e_fail "another seed gave the same frames"

# 3. A fractional frame rate: times follow n * 1001 / 30 exactly.
"$capture" --quiet --data "$data" --size 64x48 --fps 30000/1001 --frames 31 --timeline d.csv d/ ||
    e2e_fail "capture d failed"
[ "$(sed -n 32p d.csv | cut -d, -f2)" = 2001 ] || e2e_fail "frame 30 at $(sed -n 32p d.csv | cut -d, -f2) ms, not 2001"
[ "$(wav_samples d/audio.wav)" -eq $(( 31 * 44100 * 1001 / 30000 )) ] || e2e_fail "fractional-rate sound length"

# 4. A video: its picture and its sound last as long as each other.
"$capture" --quiet --data "$data" --size 160x120 --fps 30 show.mp4 || e2e_fail "video capture failed"
video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 show.mp4)
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 show.mp4)
awk -v v="$video" -v a="$audio" 'BEGIN { d = v - a; exit !(d < 0.034 && d > -0.034 && v > 7) }' ||
    e2e_fail "video lasts $video s, sound $audio s"
ls ./*.partial-* >/dev/null 2>&1 && e2e_fail "temporary files left beside the video"

# 5. Refusals: an existing output, no music and no length, bad options.
if "$capture" --quiet --data "$data" show.mp4 2>err.txt; then e2e_fail "overwrote show.mp4 without --force"; fi
grep -q "show.mp4: already exists; use --force" err.txt || e2e_fail "refusal says: $(cat err.txt)"
mkdir empty
if "$capture" --quiet --data empty e/ 2>err.txt; then e2e_fail "captured with no music and no length"; fi
[ "$(wc -l <err.txt)" -eq 1 ] && grep -q "Vostr_1.it: No such file or directory" err.txt ||
    e2e_fail "no-music message: $(cat err.txt)"
[ ! -e e ] || e2e_fail "a refused capture left its output folder"
if "$capture" --fps 0 x/ 2>err.txt; then e2e_fail "accepted --fps 0"; fi

# 6. Interrupted: nothing under the requested name, no temporary files.
"$capture" --quiet --data "$data" --size 320x240 --fps 60 cut.mp4 &
pid=$!
sleep 1.5
kill -INT "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 130 ] || e2e_fail "interrupted capture ended with $status"
[ ! -e cut.mp4 ] || e2e_fail "an interrupted capture left cut.mp4"
ls ./*.partial-* >/dev/null 2>&1 && e2e_fail "an interrupted capture left temporary files"

e2e_log "all passed"
