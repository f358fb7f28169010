#!/usr/bin/env bash
# The Debian package as a user gets it, made from the programs already built:
# lintian finds no error, and unpacked anywhere it runs from an unrelated
# folder: the show and the capture tool on their installed data, the flash
# checker on the capture's frames, the show on a folder named with --data,
# and a valid menu entry. Then an install into a staging folder, whose
# uninstall must leave nothing behind.
# Usage: package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
e2e_init "$@"

title="kelvo mardunqist"

# 1. The package, checked.
cpack --config "$E2E_BUILD/CPackConfig.cmake" -B "$E2E_TMP/pkg" >"$E2E_TMP/cpack.log" 2>&1 ||
    { cat "$E2E_TMP/cpack.log" >&2; e2e_fail "cpack failed"; }
deb=$(echo "$E2E_TMP"/pkg/mardunqist_*.deb)
[ -f "$deb" ] || e2e_fail "no package in $E2E_TMP/pkg"
lintian --fail-on error "$deb" >"$E2E_TMP/lintian.log" 2>&1 ||
    { cat "$E2E_TMP/lintian.log" >&2; e2e_fail "lintian reports errors"; }
# Every library a program links comes with a dependency on the package that
# holds it on this release (libopenmpt0 here, libopenmpt0t64 there).
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for program in mardunqist mardunqist-capture mardunqist-assets; do
    for library in $(objdump -p "$E2E_BUILD/$program" | awk '$1 == "NEEDED" { print $2 }'); do
        package=$(dpkg -S "*/$multiarch/$library" 2>/dev/null | head -n 1 | cut -d: -f1 || true)
        [ -n "$package" ] || e2e_fail "no package holds $library, which $program links"
        grep -qx "$package" <<<"$depends" ||
            e2e_fail "$program links $library, but the package does not depend on $package: $(echo $depends)"
    done
done
e2e_log "$(basename "$deb"): $(grep -c . "$E2E_TMP/lintian.log" || true) lintian lines, no error"

# 2. Unpacked anywhere; run from a folder that has nothing to do with it.
root=$E2E_TMP/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/mardunqist.desktop" || e2e_fail "invalid menu entry"
# Wherever a viewer starts the show, the flashing is said, and the gentle mode.
warning="flashing lights and rapid changes of brightness"
help=$("$root/usr/games/mardunqist" --help)
manual=$(zcat "$root/usr/share/man/man6/mardunqist.6.gz")
grep -q "^Comment=.*$warning" "$root/usr/share/applications/mardunqist.desktop" &&
    [[ "$(dpkg-deb -f "$deb" Description)" == *"flashing lights"* ]] &&
    [[ "$help" == *"$warning"* && "$help" == *--gentle* ]] &&
    [[ "$manual" == *".SH WARNING"* && "$manual" == *'.B \-\-gentle'* ]] ||
    e2e_fail "the flashing warning or --gentle is missing from the menu entry, package, --help or manual"
E2E_PROGRAM=$root/usr/games/mardunqist
expect_quiet_run() {  # WHAT: status 0 and nothing on stderr but the missing sound card
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$1: exit status $E2E_STATUS"
    if grep -v 'no sound device' "$E2E_RUN/stderr" | grep -q .; then e2e_fail "$1: messages on stderr"; fi
}
e2e_start_xvfb 800x600x24

# The show finds its installed data beside itself: a missing file would be
# reported on stderr.
e2e_start_program -- --play --windowed --first-frame
e2e_wait_exit 30
expect_quiet_run "the show on its installed data"
grep -q "first frame after" "$E2E_RUN/stdout" || e2e_fail "the show drew no frame"

mkdir "$E2E_TMP/away"
(cd "$E2E_TMP/away" && "$root/usr/bin/mardunqist-capture" --quiet --size 160x120 --frames 12 frames/ \
    2>"$E2E_TMP/capture.err") || { cat "$E2E_TMP/capture.err" >&2; e2e_fail "the capture tool failed"; }
[ ! -s "$E2E_TMP/capture.err" ] || { cat "$E2E_TMP/capture.err" >&2; e2e_fail "the capture tool complained"; }
[ "$(ls "$E2E_TMP"/away/frames/frame-*.png | wc -l)" -eq 12 ] && [ -s "$E2E_TMP/away/frames/audio.wav" ] ||
    e2e_fail "the capture tool did not write 12 frames and the sound"
(cd "$E2E_TMP/away" && "$root/usr/bin/mardunqist-flashcheck" --quiet frames/ >"$E2E_TMP/check.out") &&
    grep -q "^frames/: pass" "$E2E_TMP/check.out" || e2e_fail "the flash checker said: $(cat "$E2E_TMP/check.out")"

# With the installed data moved away, --data names where it went.
mv "$root/usr/share/mardunqist" "$E2E_TMP/moved"
e2e_start_program -- --play --windowed --data "$E2E_TMP/moved"
e2e_wait_window "$title" 30
sleep 2
shot=$(e2e_screenshot unpacked-show)
lit=$(e2e_lit_pixels "$shot" "$E2E_WINDOW")
[ "$lit" -gt 500 ] || e2e_fail "the show's window is dark ($lit lit pixels)"
e2e_key "$E2E_WINDOW" Escape
e2e_wait_exit 10
expect_quiet_run "the show on --data"
e2e_log "unpacked show: $lit lit pixels after 2 s"

# 3. An install into a staging folder, and its uninstall.
stage=$E2E_TMP/stage
DESTDIR=$stage cmake --install "$E2E_BUILD" --prefix /usr/local >/dev/null || e2e_fail "install failed"
[ -x "$stage/usr/local/bin/mardunqist" ] && [ -f "$stage/usr/local/share/mardunqist/Vostr_1.it" ] ||
    e2e_fail "the install lacks the show or its data"
make -s -C "$E2E_SOURCE" uninstall BUILD="$E2E_BUILD" DESTDIR="$stage" PREFIX=/usr/local >/dev/null ||
    e2e_fail "uninstall failed"
[ ! -e "$stage" ] || e2e_fail "uninstall left: $(find "$stage" | head)"

e2e_log "all passed"
