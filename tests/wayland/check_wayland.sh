#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# The game starts on Wayland too: in a private headless Weston compositor it
# makes its toplevel window with its title and app id and puts a picture on
# it, and keeps running until it is stopped.
#   check_wayland.sh KVINDO_EXECUTABLE APP_ID
set -u
program=$1
app_id=$2
# shellcheck source=scripts/test-env.sh
source "$(dirname "$0")/../../scripts/test-env.sh"
te_init wayland_start
export XDG_RUNTIME_DIR=$TE_DIR

weston --backend=headless-backend.so --socket=kvindo-test --idle-time=0 --no-config \
    >"$TE_DIR/weston.log" 2>&1 &
TE_PIDS+=($!)
TE_LOG=$TE_DIR/weston.log te_until 10 "weston to make its socket" test -S "$TE_DIR/kvindo-test" || {
    cat "$TE_DIR/weston.log"
    exit 1
}

log=$TE_DIR/client.log
env -u DISPLAY WAYLAND_DISPLAY=kvindo-test QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$program" 2>"$log" &
game_pid=$!
TE_PIDS=("$game_pid" "${TE_PIDS[@]}")
TE_LOG=$log te_until 15 "the game to put a picture on a window" grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$log" || {
    grep -v '^\[' "$log"
    exit 1
}
sleep 0.3
status=0
grep -q 'xdg_toplevel@[0-9]*\.set_title("Kvindo av Norvakk")' "$log" || { echo "FAIL: window title"; status=1; }
grep -q "xdg_toplevel@[0-9]*\\.set_app_id(\"$app_id\")" "$log" || { echo "FAIL: app id"; status=1; }
grep -q 'xdg_toplevel@[0-9]*\.set_max_size(312, ' "$log" || { echo "FAIL: fixed width"; status=1; }
kill -0 "$game_pid" 2>/dev/null || { echo "FAIL: the game ended on its own"; status=1; }
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
