#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Installs the Debian 12 packages Kvindo needs to build and run that are not
# installed yet; with --tests also those its tests need; and any packages
# named as arguments (make fuzz names clang's). Uses sudo only when not run
# as root. On a bare Debian 12 system with git and make (the README's
# prerequisites) this is all there is to add.
#   scripts/install-deps.sh [--tests] [PACKAGE...]
# The tests' packages include both sound servers a desktop may run
# (PulseAudio, and PipeWire with its pulse server), which the tests start
# privately: `make run` alone never installs them.
set -eu

packages="
cmake make g++ pkg-config
qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libgl-dev
fonts-comic-neue fontconfig
libsndfile1-dev libpulse-dev
qt6-wayland libxcb1-dev"
if [ "${1:-}" = --tests ]; then
    shift
    packages="$packages
xvfb xdotool x11-utils weston
desktop-file-utils appstream dpkg-dev file strace lintian man-db
dbus-daemon
pulseaudio pulseaudio-utils sox
pipewire-bin pipewire pipewire-pulse wireplumber
orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng python3-pyatspi at-spi2-core openbox"
fi
packages="$packages $*"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
else
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
