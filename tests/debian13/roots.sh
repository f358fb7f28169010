# Debian 13 roots for the tests: a bare one made once with debootstrap and kept
# in the build tree, fresh copies of it to work in, and commands run inside a
# copy with /proc, /dev and /sys mounted for that command only. Source this
# file after `set -euo pipefail`; needs root.
#
# Mounts are made in a mount namespace of the command's own, so none outlives
# it whatever way it ends, and every process started inside (an Xvfb, say)
# ends with it: the command runs as the first process of a PID namespace.

D13_SUITE=trixie

d13_log() { echo "[debian13] $*" >&2; }
d13_fail() { echo "FAIL [debian13]: $*" >&2; exit 1; }

d13_now() { date +%s; }

# The machine's own Debian mirror when it has one (it serves every release);
# otherwise debootstrap's default.
d13_mirror() {
    apt-get indextargets --format '$(REPO_URI)' 2>/dev/null | grep -m 1 '/debian/$' || true
}

# d13_init CACHE: the folder holding the bare root, the shared package cache
# and the work roots.
d13_init() {
    [ "$(id -u)" -eq 0 ] || d13_fail "debootstrap and chroot need root"
    D13_CACHE=$(mkdir -p "$1" && cd "$1" && pwd)
    D13_BARE=$D13_CACHE/bare
    # Downloaded packages, kept between runs and shared by every root.
    D13_DEBS=$D13_CACHE/debs
    mkdir -p "$D13_DEBS/partial"
}

# d13_bare: the bare root (debootstrap's minbase, package lists current),
# made once; a half-made one from an interrupted run is made again.
d13_bare() {
    [ -e "$D13_CACHE/bare.done" ] && return 0
    local partial=$D13_CACHE/bare.partial mirror started
    d13_remove "$partial" "$D13_BARE"
    mirror=$(d13_mirror)
    d13_log "debootstrap --variant=minbase $D13_SUITE ${mirror:-(default mirror)} into $D13_BARE"
    started=$(d13_now)
    debootstrap --variant=minbase --cache-dir="$D13_DEBS" "$D13_SUITE" "$partial" $mirror \
        >"$D13_CACHE/debootstrap.log" 2>&1 ||
        { tail -n 20 "$D13_CACHE/debootstrap.log" >&2; d13_fail "debootstrap failed (log: $D13_CACHE/debootstrap.log)"; }
    mv "$partial" "$D13_BARE"
    # Without recommends, as install-deps and a careful user install.
    echo 'APT::Install-Recommends "false";' >"$D13_BARE/etc/apt/apt.conf.d/90-no-recommends"
    d13_in "$D13_BARE" apt-get -q update >/dev/null || d13_fail "apt-get update failed in the bare root"
    touch "$D13_CACHE/bare.done"
    d13_log "bare root made in $(( $(d13_now) - started )) s"
}

# d13_copy NAME: prints a fresh copy of the bare root, $D13_CACHE/NAME.
d13_copy() {
    local root=$D13_CACHE/$1
    d13_remove "$root"
    cp -a "$D13_BARE" "$root"
    echo "$root"
}

# d13_remove DIR...: removes a root, never crossing into anything mounted on it.
d13_remove() {
    local dir
    for dir in "$@"; do
        [ -e "$dir" ] || continue
        if findmnt -rn -o TARGET | grep -q "^$dir/"; then
            d13_fail "$dir still has file systems mounted in it"
        fi
        rm -rf --one-file-system "$dir"
    done
}

# d13_exec ROOT COMMAND...: becomes COMMAND run as root inside ROOT in a
# clean environment (CI, DISPLAY and SDL_AUDIODRIVER passed on: the caller's
# X server is reached through its abstract socket), with the machine's
# resolver, the shared package cache, and /proc, /dev, /dev/pts, /dev/shm and
# /sys mounted. Ended by a signal, it takes everything inside with it.
d13_exec() {
    local root=$1
    shift
    cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
    exec unshare --mount --pid --fork --kill-child --propagation private \
        bash -c '
            set -e
            root=$1; debs=$2; shift 2
            mount -t proc proc "$root/proc"
            mount --bind /dev "$root/dev"
            mount --bind /dev/pts "$root/dev/pts"
            mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
            mount -t sysfs sysfs "$root/sys"
            mount --bind "$debs" "$root/var/cache/apt/archives"
            exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb CI="${CI:-}" \
                DISPLAY="${DISPLAY:-}" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-}" \
                PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
                DEBIAN_FRONTEND=noninteractive "$@"
        ' d13-in "$root" "$D13_DEBS" "$@"
}

# d13_in ROOT COMMAND...: d13_exec in a subshell; returns COMMAND's status.
d13_in() { (d13_exec "$@"); }

# d13_sh ROOT SCRIPT: runs a bash script inside ROOT (see d13_in).
d13_sh() {
    d13_in "$1" bash -euo pipefail -c "$2"
}
