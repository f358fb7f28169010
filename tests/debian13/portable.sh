#!/usr/bin/env bash
# The portable build where a user of another distribution unpacks it: a
# Debian 13 root with GTK 3 and GL, and none of the libraries the tarball
# brings (SDL2, libopenmpt and its codecs, libjpeg, GLU). There, ldd finds
# every library the programs need, the bundled ones in the tarball's lib/;
# the capture tool renders the short show; and the show, on this machine's
# Xvfb, opens its chooser and plays until Escape.
# Usage: portable.sh CACHE_DIR TARBALL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/roots.sh"
source "$here/../e2e/lib/common.sh"

[ $# -eq 2 ] || { echo "usage: $0 CACHE_DIR TARBALL" >&2; exit 2; }
tarball=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
e2e_init "$(dirname "$tarball")" "$here/../.." portable
d13_init "$1"
d13_bare

root=$(d13_copy portable-root)
log=$D13_CACHE/portable.log
e2e_log "GTK 3 and GL into a bare Debian 13 root"
d13_in "$root" apt-get install -y -q libgtk-3-0 librsvg2-common libgl1 libopengl0 libegl1 libgl1-mesa-dri libegl-mesa0 \
    >"$log" 2>&1 || { tail -n 30 "$log" >&2; e2e_fail "cannot install GTK 3 and GL (log: $log)"; }

tar -tzf "$tarball" >"$E2E_TMP/contents"
lib=$(grep -m 1 '^[^/]*/lib/$' "$E2E_TMP/contents") || e2e_fail "the tarball has no lib/"
bundled=$(grep "^$lib." "$E2E_TMP/contents" | xargs -n 1 basename)
[ -n "$bundled" ] || e2e_fail "the tarball has no libraries in $lib"
# Debian's GTK pulls in libjpeg62-turbo through gdk-pixbuf; other
# distributions have libjpeg.so.8 or none. Taken away by force, so that the
# root lacks every bundled library.
d13_in "$root" dpkg --purge --force-depends libjpeg62-turbo >>"$log" 2>&1 || true
for library in $bundled; do
    ! d13_in "$root" sh -c "ldconfig -p | grep -q '^[[:space:]]$library '" ||
        e2e_fail "the root has $library of its own"
done

tar -xzf "$tarball" -C "$root/opt"
top=/opt/${lib%/lib/}
inside() { "$here/enter.sh" "$D13_CACHE" "$root" "$@"; }

# 1. ldd: nothing missing; every bundled library from the tarball.
for program in mardunqist mardunqist-capture mardunqist-assets; do
    libraries=$(inside ldd "$top/bin/$program") || e2e_fail "ldd $program failed"
    if grep 'not found' <<<"$libraries"; then e2e_fail "$program: libraries not found"; fi
    for library in $bundled; do
        if grep -q "^[[:space:]]$library " <<<"$libraries"; then
            grep -q "$library => $top/bin/../lib/$library " <<<"$libraries" ||
                e2e_fail "$program takes $library from elsewhere: $(grep "$library" <<<"$libraries")"
        fi
    done
done
e2e_log "ldd finds every library; bundled: $(echo $bundled)"

# 2. The capture tool on the short show, from a folder of its own.
inside sh -c "cd /tmp && $top/bin/mardunqist-assets --short short >/dev/null &&
    $top/mardunqist-capture --quiet --data short --size 160x120 --fps 30 frames/" 2>"$E2E_TMP/capture.err" ||
    { cat "$E2E_TMP/capture.err" >&2; e2e_fail "the capture failed"; }
frames=$(ls "$root"/tmp/frames/frame-*.png | wc -l)
[ "$frames" -ge 226 ] && [ "$frames" -le 230 ] && [ -s "$root/tmp/frames/audio.wav" ] ||
    e2e_fail "the capture wrote $frames frames for a 7.6 s show at 30 fps"
cp "$root/tmp/frames/frame-000150.png" "$E2E_OUT/capture-frame-150.png"
e2e_log "the capture: $frames frames and the sound"

# 3. The show as a user starts it, on this machine's X server.
title="kelvo mardunqist"
e2e_start_xvfb 1024x768x24
E2E_PROGRAM=$here/enter.sh
e2e_start_program -- "$D13_CACHE" "$root" "$top/mardunqist"
e2e_wait_window "$title" 60
e2e_play_from_chooser
if grep -v 'no sound device' "$E2E_RUN/stderr" | grep -q .; then
    cat "$E2E_RUN/stderr" >&2
    e2e_fail "the show complained on stderr"
fi
e2e_log "the show: chooser, then $E2E_LIT lit pixels after 3 s; screenshots in $E2E_OUT"

d13_remove "$root"
e2e_log "all passed"
