#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# The README's quick start on a bare Debian 12: a minimal system made with
# debootstrap --variant=minbase, given only the packages the README names as
# prerequisites, then `make test` inside it on a clone of this repository's
# HEAD. A step the install script misses fails here, as it would for a new
# player.
#   scripts/bare-debian-test.sh     (root, or a user who may sudo; needs debootstrap)
# Packages come from Debian's archive as apt on this machine reaches it. The
# system is made under /var/tmp and removed afterwards; with proc, dev and a
# tmpfs /tmp mounted in it.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi

# Debian's own archive, as apt already uses it.
suites=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(ORIGIN)' \
    | awk '$3 == "main" && $4 == "Debian" && $2 ~ /^bookworm/ { print $1, $2 }' | sort -u)
mirror=$(awk '$2 == "bookworm" { print $1; exit }' <<<"$suites")
[ -n "$mirror" ] || {
    echo "bare-debian-test: apt here has no Debian bookworm archive" >&2
    exit 1
}
prerequisites=$(sed -n 's/^sudo apt install //p' "$repo/README.md" | head -n 1)
[ -n "$prerequisites" ] || {
    echo "bare-debian-test: README.md names no prerequisites (a line 'sudo apt install ...')" >&2
    exit 1
}

root=$(mktemp -d /var/tmp/kvindo-bare.XXXXXX)
chmod 755 "$root" # the root directory of a system, which every user passes through
cleanup() {
    for mount in "$root/mnt" "$root/tmp" "$root/dev" "$root/proc"; do
        mountpoint -q "$mount" && umount -R -l "$mount"
    done
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
started=$(date +%s)
phase() {
    echo "== bare-debian-test: $1 ($(($(date +%s) - started)) s)"
}

phase "debootstrap --variant=minbase bookworm"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || {
    tail -n 30 "$root.log"
    rm -f "$root.log"
    exit 1
}
rm -f "$root.log"
while read -r uri suite; do
    echo "deb $uri $suite main"
done <<<"$suites" >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages' own services are not started inside the new system.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"
mount --bind -o ro "$repo" "$root/mnt"

in_root() {
    chroot "$root" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive "$@"
}

phase "the README's prerequisites: $prerequisites"
in_root apt-get update -qq
# shellcheck disable=SC2086
in_root apt-get install -y -qq $prerequisites >/dev/null
in_root git -c safe.directory='*' clone -q /mnt /root/kvindo

phase "make test"
status=0
in_root timeout -k 10 3000 make -C /root/kvindo test || status=$?
phase "done, make test ended with status $status"
exit "$status"
