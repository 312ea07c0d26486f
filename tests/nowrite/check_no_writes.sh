#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# The game writes nothing: played under strace in a real X server, with its
# sound files beside it and without them, with an empty home, it creates,
# renames, removes or opens for writing no file outside /tmp, /dev and /proc,
# and leaves its home and runtime directories empty.
#   check_no_writes.sh KVINDO CUE_DIR   (inside scripts/hermetic.sh --bus --x11)
# The game gets the private session bus and X server of the surroundings, as
# on a desktop; whatever it starts itself is traced with it.
set -u
program=$1
cues=$2
# shellcheck source=scripts/test-env.sh
source "$(dirname "$0")/../../scripts/test-env.sh"
te_init no_writes
work=$TE_DIR

play() { # play CASE: a game under strace; leaves $work/CASE/strace.log
    local dir=$work/$1
    mkdir -p "$dir/home" "$dir/runtime" "$dir/program"
    chmod 700 "$dir/runtime"
    cp "$program" "$dir/program/kvindo"
    [ "$1" = with-sounds ] && cp "$cues/Yes.wav" "$cues/Doh.wav" "$dir/program/"
    # Nothing from the caller's environment but the display and the session
    # bus (and a sanitizer build's settings).
    local keep=()
    for name in LSAN_OPTIONS UBSAN_OPTIONS; do
        [ -n "${!name:-}" ] && keep+=("$name=${!name}")
    done
    # The leak checker cannot work under strace.
    [ -n "${ASAN_OPTIONS:-}" ] && keep+=("ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0")
    env -i -C "$dir/home" PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" DISPLAY="$DISPLAY" \
        DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QT_QPA_PLATFORM=xcb "${keep[@]}" \
        strace -f -qq -o "$dir/strace.log" \
        -e trace=open,openat,creat,rename,renameat,renameat2,unlink,unlinkat,rmdir,mkdir,mkdirat,link,linkat,symlink,symlinkat,truncate,mknodat,stat,newfstatat,statx \
        "$dir/program/kvindo" &
    local pid=$!
    TE_PIDS+=("$pid")
    if ! te_until 20 "$1: the game's window to appear" \
        xdotool search --onlyvisible --name '^Kvindo av Norvakk$'; then
        te_check "$1: the game showed its window" false
        te_stop "$pid"
        return
    fi
    local window
    window=$(head -n 1 "$TE_DIR/until.out")
    te_run 10 "$1: focus on the window" xdotool windowfocus --sync "$window"
    sleep 0.5
    # Turn cards, deal anew from the menu three times, switch the sound off
    # and on, choose another count, and leave with Avsluta: all from the
    # keyboard. A random deal may be lost on its first card, so only the start
    # and the three new deals are sure to look up a cue: four lookups at least.
    local keys
    for keys in "20 a b c d e f g h i j space Return Tab" "150 F10 Down Return" "20 a b c d" \
        "150 F10 Down Down Return F10 Down Down Return" "150 F10 Down Return" "150 F10 Right Down Down Return" \
        "20 a b c d e f" "150 F10 Down Return" "20 a b c" "150 F10 Up Return"; do
        # shellcheck disable=SC2086
        te_run 20 "$1: keys $keys" xdotool key --delay $keys
    done
    local status=0
    te_wait "$pid" 20 "$1: the game to end after Avsluta" "$dir/strace.log" || status=$?
    te_check "$1: the game ended with status 0 from Avsluta" test "$status" -eq 0
    te_check "$1: home left empty" test -z "$(find "$dir/home" -mindepth 1)"
    te_check "$1: runtime directory left empty" test -z "$(find "$dir/runtime" -mindepth 1)"
    # Successful calls that write, with a path outside /tmp, /dev and /proc.
    grep -v '= -1 ' "$dir/strace.log" \
        | grep -E 'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|creat\(|rename|unlink|rmdir|mkdir|link\(|linkat\(|symlink|truncate|mknod' \
        | grep -v -E '"/(tmp|dev|proc)/' >"$dir/writes"
    te_check "$1: no file written outside /tmp, /dev and /proc" test ! -s "$dir/writes"
    sed 's/^/    /' "$dir/writes"
    local lookups
    lookups=$(grep -c -E "\"$dir/program/(Yes|Doh)\.wav\"" "$dir/strace.log")
    echo "$1: cues looked up $lookups times"
    te_check "$1: the game played (its cues were looked up $lookups times)" test "$lookups" -ge 4
}

play with-sounds
play without-sounds
te_checked
