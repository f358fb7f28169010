#!/usr/bin/env bash
# The capture tool on the short module at small sizes: frame count, sound
# length, determinism (videos too), the timeline, a fractional frame rate,
# the video path and its encoder settings; the ways a capture must refuse,
# or give up leaving its output whole or untouched; names and files that are
# not what they seem.
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

# 4. A video in every container: the codecs that container takes, picture
#    and sound lasting as long as each other (within an encoder frame or
#    two), nothing left beside it, and the same bytes again, whatever the
#    machine's cores (the encoder's threads are fixed).
span() {  # FILE STREAM: seconds from the stream's first packet to its last one's end
    ffprobe -v error -select_streams "$2" -show_entries packet=pts_time,duration_time -of csv=p=0 "$1" |
        awk -F, 'NF >= 2 && $1 != "" { if (first == "") first = $1; end = $1 + $2 } END { print end - first }'
}
for container in mp4:h264,aac mkv:h264,aac webm:vp9,opus; do
    ext=${container%%:*}
    "$capture" --quiet --data "$data" --size 160x120 --fps 30 "show.$ext" || e2e_fail ".$ext capture failed"
    codecs=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "show.$ext" | paste -sd,)
    [ "$codecs" = "${container#*:}" ] || e2e_fail "show.$ext holds $codecs, not ${container#*:}"
    video=$(span "show.$ext" v:0) audio=$(span "show.$ext" a:0)
    awk -v v="$video" -v a="$audio" 'BEGIN { d = v - a; exit !(d < 0.1 && d > -0.1 && v > 7) }' ||
        e2e_fail "show.$ext: the picture lasts $video s, the sound $audio s"
    ls ./*.partial-* >/dev/null 2>&1 && e2e_fail "temporary files left beside show.$ext"
    "$capture" --quiet --data "$data" --size 160x120 --fps 30 "again.$ext" || e2e_fail "second .$ext capture failed"
    cmp -s "show.$ext" "again.$ext" || e2e_fail "two .$ext captures with the same options differ"
done
grep -aq "threads=4 " show.mp4 || e2e_fail "the encoder's thread count is not fixed"
"$capture" --quiet --data "$data" --size 96x72 --frames 40 --preset ultrafast fast.mp4 || e2e_fail "--preset failed"
grep -aq "cabac=0" fast.mp4 && ! grep -aq "cabac=0" show.mp4 || e2e_fail "--preset ultrafast did not reach x264"

# 5. Refusals before any work: one line naming what is wrong, status 1, and
#    nothing made (no output, no temporaries, no folder).
refused() {  # PATTERN ARGS...: the capture with ARGS refuses with one line matching PATTERN
    local pattern=$1 before status=0
    shift
    before=$(ls -A | grep -vx err.txt)
    timeout 20 "$capture" --quiet --data "$data" --size 64x48 "$@" 2>err.txt || status=$?
    [ "$status" -eq 1 ] || e2e_fail "$*: status $status, not 1 ($(cat err.txt))"
    [ "$(wc -l <err.txt)" -eq 1 ] && grep -q -- "$pattern" err.txt || e2e_fail "$*: said: $(cat err.txt)"
    [ "$(ls -A | grep -vx err.txt)" = "$before" ] || e2e_fail "$*: left files behind"
}
refused "show.mp4: already exists; use --force" show.mp4
refused "a/: already holds a capture; use --force" --frames 3 a/
refused "a.csv: already exists; use --force" --frames 3 --timeline a.csv new/
refused "nodir: No such file or directory" --frames 3 --timeline nodir/t.csv new/
refused "data/: holds 0.jpg, which is not a capture's" --frames 3 data/
mkdir -p "$E2E_TMP/empty"
refused "Vostr_1.it: No such file or directory" --data "$E2E_TMP/empty" e/
refused "is not a frame rate" --fps 0 x/
refused "is not a frame rate" --fps 1/1000000 x/
refused "'quick' is not an encoder preset (ultrafast, superfast," --preset quick x.mp4
refused "x.mkv: H.264 needs an even width and height, not 65x48; give an even --size, or write a .webm" \
    --size 65x48 x.mkv
# A folder capture whose sound would pass what a WAV holds, before a byte of it.
refused "more than audio.wav can hold" --fps 30 --frames 1100000 long/
# Names the system cannot use: a link that loops, a name too long, a folder
# that cannot be searched (as an ordinary user: root searches anything).
ln -s loop.mp4 loop.mp4
refused "loop.mp4: already exists; use --force" loop.mp4
refused "File name too long" "$(printf 'n%.0s' $(seq 300)).mp4"
mkdir -p locked/in
chmod 0 locked
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$E2E_TMP"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
status=0
"${as_user[@]}" "$capture" --quiet locked/in/x.mp4 2>err.txt || status=$?
[ "$status" -eq 1 ] && grep -q "locked/in/x.mp4: Permission denied" err.txt ||
    e2e_fail "a folder without search permission: status $status, said: $(cat err.txt)"
chmod 755 locked

# 6. Whole or untouched. Over an earlier capture, with --force: every signal
#    that ends a program, an ffmpeg that stops taking frames, a signal while
#    ffmpeg adds the sound, and a full disk leave nothing new under the names,
#    no temporary files, the earlier capture and timeline as they were, and a
#    status that says what happened.
"$capture" --quiet --data "$data" --size 64x48 --fps 15 --frames 30 --timeline old.csv old/ ||
    e2e_fail "capture old/ failed"
"$capture" --quiet --data "$data" --size 64x48 --fps 15 --frames 30 old.mp4 || e2e_fail "capture old.mp4 failed"
earlier() { md5sum old/* old.csv old.mp4; }
before=$(earlier)
untouched() {  # WHAT
    [ "$(earlier)" = "$before" ] || e2e_fail "$1: the earlier capture changed"
    if compgen -G "*partial*" >/dev/null || compgen -G "old/*partial*" >/dev/null; then
        e2e_fail "$1: temporary files left: $(ls -d ./*partial* old/*partial* 2>/dev/null)"
    fi
}
ended_by() {  # SIGNAL STATUS WHAT
    [ "$2" -eq $((128 + $(kill -l "$1"))) ] || e2e_fail "$3: status $2 after SIG$1"
    [ "$(wc -l <err.txt)" -eq 1 ] && grep -q "interrupted (SIG$1); nothing written under" err.txt ||
        e2e_fail "$3: said: $(cat err.txt)"
}
# A stand-in for ffmpeg: "stall" takes no frames at all; "mux" takes every
# frame, then hangs while adding the sound.
fake=$E2E_TMP/fake
mkdir -p "$fake"
printf '%s\n' '#!/bin/sh' 'echo $$ >>"$FAKE_PIDS"' 'case "$FAKE_FFMPEG $*" in' \
    '    stall*) exec sleep 600 ;;' '    *pipe:0*) exec cat >/dev/null ;;' \
    '    *) touch "$FAKE_PIDS.muxing"; exec sleep 600 ;;' 'esac' >"$fake/ffmpeg"
chmod +x "$fake/ffmpeg"
export FAKE_PIDS=$E2E_TMP/fake.pids
no_fake_left() {  # WHAT
    local p
    while read -r p; do ! kill -0 "$p" 2>/dev/null || e2e_fail "$1: ffmpeg $p still runs"; done <"$FAKE_PIDS"
    rm -f "$FAKE_PIDS" "$FAKE_PIDS.muxing"
}
for signal in INT TERM HUP QUIT; do
    "$capture" --quiet --data "$data" --size 320x240 --fps 60 --seed-tick 2 --force --timeline old.csv old/ \
        2>err.txt &
    pid=$!
    e2e_until 30 compgen -G "old.partial-*/frame-000005.png" >/dev/null ||
        e2e_fail "the folder capture does not start"
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    ended_by "$signal" "$status" "folder capture"
    untouched "SIG$signal during a folder capture"

    FAKE_FFMPEG=stall PATH="$fake:$PATH" "$capture" --quiet --data "$data" --size 64x48 --force old.mp4 2>err.txt &
    pid=$!
    e2e_until 10 test -s "$FAKE_PIDS" || e2e_fail "the capture does not start ffmpeg"
    sleep 0.5  # the pipe to ffmpeg fills up
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    ended_by "$signal" "$status" "stalled ffmpeg"
    untouched "SIG$signal while ffmpeg takes no frames"
    no_fake_left "SIG$signal"
done
FAKE_FFMPEG=mux PATH="$fake:$PATH" "$capture" --quiet --data "$data" --size 64x48 --force old.mp4 2>err.txt &
pid=$!
e2e_until 30 test -e "$FAKE_PIDS.muxing" || e2e_fail "the capture does not get to adding the sound"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
ended_by TERM "$status" "signal while adding the sound"
untouched "SIGTERM while ffmpeg adds the sound"
no_fake_left "SIGTERM while adding the sound"
# A disk that fills up (a file-size limit stands in for it).
status=0
(ulimit -f 64 && exec "$capture" --quiet --data "$data" --size 64x48 --fps 30 --force old/) 2>err.txt || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <err.txt)" -eq 1 ] &&
    grep -q "old/audio.wav: File too large; nothing written under old/" err.txt ||
    e2e_fail "full disk: status $status, said: $(cat err.txt)"
untouched "a full disk"

# 7. Names ffmpeg must not take for a protocol; a frame rate above the sound's
#    sample rate (frames with no sound of their own); a FIFO and a device in
#    place of pictures, reported under this tool's name.
"$capture" --quiet --data "$data" --size 64x48 --frames 5 "take:2.mp4" && [ -s "take:2.mp4" ] ||
    e2e_fail "take:2.mp4 was not written"
"$capture" --quiet --data "$data" --size 64x48 --frames 5 "file:x.mp4" && [ -s "file:x.mp4" ] && [ ! -e x.mp4 ] ||
    e2e_fail "file:x.mp4 was not written as named"
untouched "take:2.mp4 and file:x.mp4"
"$capture" --quiet --data "$data" --size 64x48 --fps 48000 --frames 5 fast/ || e2e_fail "capture at 48000 fps failed"
[ "$(ls fast/frame-*.png | wc -l)" -eq 5 ] && [ "$(wav_samples fast/audio.wav)" -eq 4 ] ||
    e2e_fail "48000 fps: $(ls fast | wc -l) files, $(wav_samples fast/audio.wav) samples"
special=$E2E_TMP/special
cp -r "$data" "$special"
rm "$special/0.jpg" "$special/1.jpg"
mkfifo "$special/0.jpg"
ln -s /dev/zero "$special/1.jpg"
timeout 20 "$capture" --quiet --data "$special" --size 64x48 --frames 3 sp/ 2>err.txt ||
    e2e_fail "special pictures: the capture failed or hung: $(cat err.txt)"
[ "$(wc -l <err.txt)" -eq 2 ] &&
    grep -qx "mardunqist-capture: $special/0.jpg: is not a regular file (a FIFO)" err.txt &&
    grep -qx "mardunqist-capture: $special/1.jpg: is not a regular file (a character device)" err.txt ||
    e2e_fail "special pictures said: $(cat err.txt)"

# 8. What a viewer is shown: checking the frames for flashes leaves them as
#    drawn (a capture without the check gives the same bytes), and the report
#    covers every second; a gentle capture passes the check in every second,
#    says so as it goes, leaves a frame that does not flash as drawn, and
#    passes mardunqist-flashcheck as its frames, and as its H.264 read with
#    either matrix.
shown=(--data "$data" --size 160x120 --fps 30 --seed-tick 123456)
"$capture" --quiet "${shown[@]}" --flash-report plain.csv plain/ || e2e_fail "plain capture failed"
"$capture" --quiet "${shown[@]}" unchecked/ || e2e_fail "capture without the flash check failed"
diff -rq plain unchecked >/dev/null || e2e_fail "the flash check changed the captured frames"
[ "$(head -n 1 plain.csv | cut -d, -f1-2)" = second,verdict ] && [ "$(wc -l <plain.csv)" -eq 9 ] ||
    e2e_fail "the flash report of a 7.6 s show: $(cat plain.csv)"
"$capture" "${shown[@]}" --gentle --flash-report gentle.csv gentle/ 2>progress.txt || e2e_fail "gentle capture failed"
awk -F, 'NR > 1 && $2 ~ /fail/ { bad = 1 } END { exit bad || NR != 9 }' gentle.csv ||
    e2e_fail "a gentle second fails the flash check: $(cat gentle.csv)"
grep -q "0 seconds fail the flash check" progress.txt && grep -q "flash check: pass" progress.txt ||
    e2e_fail "the gentle capture said: $(cat progress.txt)"
cmp -s plain/frame-000000.png gentle/frame-000000.png || e2e_fail "the gentle mode changed the first frame"
flashcheck=$E2E_BUILD/mardunqist-flashcheck
"$flashcheck" --quiet --fps 30 gentle/ >said.txt || e2e_fail "mardunqist-flashcheck fails the gentle frames: $(cat said.txt)"
"$capture" --quiet "${shown[@]}" --gentle gentle.mp4 || e2e_fail "gentle video capture failed"
for matrix in bt709 bt601; do
    "$flashcheck" --quiet --matrix $matrix gentle.mp4 >said.txt ||
        e2e_fail "the gentle video read as $matrix fails: $(cat said.txt)"
done

e2e_log "all passed"
