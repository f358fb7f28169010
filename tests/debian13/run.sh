#!/usr/bin/env bash
# The project on Debian 13 as a new user meets it, in a root made with
# debootstrap (minbase) and kept in CACHE_DIR:
#   1. every package name of scripts/install-deps exists there;
#   2. with git and make added, the README's `make run` set-up and build
#      (the show's packages only), then `make build` (the tests' packages,
#      the tests), `make run` under Xvfb up to the show, and the native suites;
#   3. `make package`, and that package installed with apt-get into a fresh
#      copy of the bare root, where the installed capture tool renders the
#      short show; the same for HOST_BUILD's package (built on the machine's
#      own release), when there is one.
# Says how long each part took and how many packages it installed.
# Usage: run.sh CACHE_DIR [HOST_BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/roots.sh"

if [ $# -lt 1 ] || [ "$1" = --help ]; then
    sed -n '2,14p' "$0" | cut -c3-
    [ "${1:-}" = --help ] && exit 0
    exit 2
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
host_deb=
if [ -n "${2:-}" ]; then host_deb=$(ls "$2"/mardunqist_*.deb 2>/dev/null | head -n 1 || true); fi

d13_init "$1"
logs=$D13_CACHE/logs
screens=$D13_CACHE/screenshots
rm -rf "$logs" "$screens"
mkdir -p "$logs" "$screens"
timings=()
run_started=$(d13_now)

# step NAME ROOT SCRIPT: SCRIPT in ROOT, its output in logs/NAME.log, timed.
step() {
    local name=$1 root=$2 script=$3 started status=0
    d13_log "$name"
    started=$(d13_now)
    d13_sh "$root" "$script" >"$logs/$name.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$logs/$name.log" >&2
        d13_fail "$name failed with status $status (log: $logs/$name.log; root kept in $root)"
    fi
    timings+=("$(printf '%-44s %5d s' "$name" $(( $(d13_now) - started )))")
}

installed_count() { d13_in "$1" dpkg-query -W -f='${db:Status-Status}\n' | grep -cx installed; }

started=$(d13_now)
d13_bare
timings+=("$(printf '%-44s %5d s' "bare root" $(( $(d13_now) - started )))")

# 1. Every set's names, resolved by Debian 13's apt (nothing is installed).
for set in "" --package --test --web --windows; do
    names=$("$source_dir/scripts/install-deps" $set --list | tr '\n' ' ')
    d13_in "$D13_BARE" apt-get -s -qq install $names >"$logs/names.log" 2>&1 ||
        { cat "$logs/names.log" >&2; d13_fail "install-deps ${set:-(the show)}: a name Debian 13 does not know"; }
done
d13_log "every install-deps name exists on Debian 13"

# 2. A fresh checkout in a root with git and make, as root, its home /root.
root=$(d13_copy build-root)
step "git and make" "$root" "apt-get install -y -q git make"
tree=$root/root/mardunqist
mkdir -p "$tree"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) | tar -xf - -C "$tree"

bare_count=$(installed_count "$root")
step "make programs (make run)" "$root" "cd /root/mardunqist && make programs"
run_count=$(installed_count "$root")
step "make build" "$root" "cd /root/mardunqist && make build"
test_count=$(installed_count "$root")
step "make run under Xvfb" "$root" "cd /root/mardunqist && bash tests/debian13/make_run.sh build ."
chooser_ms=$(grep -o 'the chooser [0-9]* ms' "$logs/make run under Xvfb.log" | grep -o '[0-9]*')
cp -r "$tree/build/test-output/e2e/make-run" "$screens/"
step "native suites" "$root" \
    "cd /root/mardunqist/build && ctest -L native -j 2 --output-on-failure"
tail -n 3 "$logs/native suites.log" | grep -m 1 'tests passed' >&2 || true
cp -r "$tree/build/test-output/e2e/chooser" "$tree/build/test-output/e2e/show" "$screens/"
step "make package" "$root" "cd /root/mardunqist && make package"
debian13_deb=$(ls "$tree"/build/mardunqist_*.deb)
cp "$debian13_deb" "$D13_CACHE/"

# 3. The package on a bare Debian 13: apt-get brings what it depends on, and
#    the installed capture tool renders the short show from a folder of its own.
install_and_capture() {  # LABEL DEB
    local label=$1 deb=$2 root before
    root=$(d13_copy "deb-root")
    cp "$deb" "$root/tmp/"
    before=$(installed_count "$root")
    step "install the $label package" "$root" "apt-get install -y -q /tmp/$(basename "$deb")"
    d13_log "$label package: $(( $(installed_count "$root") - before )) packages installed with it"
    step "capture with the $label package" "$root" '
        mardunqist-assets --short /tmp/short >/dev/null
        cd /tmp && mardunqist-capture --quiet --data /tmp/short --size 160x120 --fps 30 frames/
        frames=$(ls frames/frame-*.png | wc -l)
        echo "$frames frames, $(stat -c %s frames/audio.wav) bytes of sound"
        [ "$frames" -ge 226 ] && [ "$frames" -le 230 ] && [ -s frames/audio.wav ]
        /usr/games/mardunqist --help | grep -q "flashing lights"'
    cat "$logs/capture with the $label package.log" >&2
    d13_remove "$root"
}
install_and_capture "Debian 13" "$debian13_deb"
if [ -n "$host_deb" ]; then
    install_and_capture "$(. /etc/os-release && echo "${PRETTY_NAME:-host}" | sed 's/GNU\/Linux //')" "$host_deb"
fi
d13_remove "$root"

total=$(( $(d13_now) - run_started ))
{
    echo "[debian13] packages: bare root $bare_count; make run added $((run_count - bare_count)); make build added $((test_count - run_count))"
    echo "[debian13] make run: the chooser $chooser_ms ms after the command, in a built tree"
    echo "[debian13] time of each part:"
    printf '    %s\n' "${timings[@]}"
    printf '    %-44s %5d s\n' "in all" "$total"
    echo "[debian13] screenshots in $screens"
} | tee "$D13_CACHE/summary.txt" >&2
