#!/bin/bash
# Runs the README's two commands as a new user would on a fresh Debian 12: in a
# bare root made by debootstrap from Debian's own packages, with a copy of this
# tree, first `bash scripts/run.sh` (headless, as far as the title, then a close
# request) and then `bash scripts/test.sh`. Needs root. .ci/run calls it.
#     bash scripts/stock-root.sh
# Kept in ${XDG_CACHE_HOME:-$HOME/.cache}/duskwane and shared with the root: the
# bare root as a tarball, the downloaded packages (apt/), and what the scripts
# keep there themselves (the libraries for Windows and the browser, Debian's
# source packages, the Wine prefix).
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/duskwane
TARBALL=$CACHE/bookworm-root.tar

# In a mount namespace of the run's own (see below): mount, run the legs, stop what is left.
if [ "${1:-}" = --mounted ]; then
    STOCK=$2
    stop_leftovers() {
        local p
        for p in /proc/[0-9]*; do
            [ "$(readlink "$p/root" 2>/dev/null)" != "$STOCK" ] || kill -KILL "${p#/proc/}" 2>/dev/null || true
        done
    }
    trap stop_leftovers EXIT
    mount -t proc proc "$STOCK/proc"
    mount --rbind /sys "$STOCK/sys"
    mount --rbind /dev "$STOCK/dev"
    mount -t tmpfs -o mode=1777 shm "$STOCK/dev/shm"
    mkdir -p "$STOCK/root/.cache/duskwane"
    mount --bind "$CACHE" "$STOCK/root/.cache/duskwane"
    leg() {
        local t0=$SECONDS
        echo "# stock root: $1"
        chroot "$STOCK" /usr/bin/env -i -C /root/duskwane HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            ${CI:+CI="$CI"} bash -c "$2" || { echo "# stock root: $1 failed"; return 1; }
        echo "# stock root: $1 passed in $((SECONDS - t0)) s"
    }
    # The game writes map.map as the title starts.
    leg "bash scripts/run.sh, headless, to the title and a close request" '
        SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy bash scripts/run.sh &
        game=$!
        while [ ! -f build/map.map ] && kill -0 $game 2>/dev/null; do sleep 1; done
        [ -f build/map.map ] || { wait $game; echo "the game ended before its title"; exit 1; }
        kill -TERM $game
        for i in $(seq 30); do kill -0 $game 2>/dev/null || break; sleep 1; done
        kill -0 $game 2>/dev/null && { kill -KILL $game; echo "the game did not end on a close request"; exit 1; }
        wait $game'
    leg "bash scripts/test.sh" 'bash scripts/test.sh'
    exit
fi

[ "$(id -u)" = 0 ] || { echo "$0 needs root (debootstrap, mount, chroot)" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive
command -v debootstrap >/dev/null ||
    { apt-get -o DPkg::Lock::Timeout=1200 update && apt-get -o DPkg::Lock::Timeout=1200 install -y debootstrap; }
mkdir -p "$CACHE/apt"

RUN=$(mktemp -d /var/tmp/duskwane-stock-root.XXXXXX)
# Nothing is mounted in this namespace: removing the run's folder cannot reach through a mount.
trap 'rm -rf "$RUN"' EXIT
STOCK=$RUN/root
t0=$SECONDS
if [ ! -f "$TARBALL" ]; then
    # The mirror the host installs bookworm from: its deb822 sources, or the one-line list of an older install.
    mirror=$(awk -v RS= '{ u = ""; b = 0
        for (i = 1; i <= NF; i++) { if ($i == "URIs:") u = $(i + 1); if ($i == "bookworm") b = 1 }
        if (b && u != "") { print u; exit } }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list 2>/dev/null || true)
    [ -n "$mirror" ] || { echo "no bookworm mirror in /etc/apt/sources.list*" >&2; exit 1; }
    # In a mount namespace of its own too: what it mounts in the root cannot outlive it.
    unshare --mount --propagation private debootstrap bookworm "$RUN/bootstrap" "$mirror" >"$RUN/debootstrap.log" 2>&1 ||
        { tail -30 "$RUN/debootstrap.log"; exit 1; }
    tar --numeric-owner -cpf "$TARBALL.$$" -C "$RUN/bootstrap" . && mv "$TARBALL.$$" "$TARBALL"
    rm -rf "$RUN/bootstrap"
fi
mkdir "$STOCK"
tar --numeric-owner -xpf "$TARBALL" -C "$STOCK"
cp /etc/resolv.conf "$STOCK/etc/"
# The host's Debian sources, in the form it has them.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    rm -f "$STOCK/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/debian.sources "$STOCK/etc/apt/sources.list.d/"
else
    cp /etc/apt/sources.list "$STOCK/etc/apt/"
fi
# The tree as it is, without its builds.
mkdir "$STOCK/root/duskwane"
tar -C "$REPO" --exclude=./.git --exclude='./build*' --exclude=./Testing -cf - . | tar -C "$STOCK/root/duskwane" -xf -
# The packages downloaded before, as hard links; a run beside this one has its own (apt locks the folder).
find "$CACHE/apt" -name '*.deb' -exec cp -ln -t "$STOCK/var/cache/apt/archives/" {} +
echo "# stock root ready in $RUN in $((SECONDS - t0)) s"

status=0
unshare --mount --propagation private bash "$0" --mounted "$STOCK" || status=$?
find "$STOCK/var/cache/apt/archives" -name '*.deb' -exec cp -ln -t "$CACHE/apt/" {} +
exit $status
