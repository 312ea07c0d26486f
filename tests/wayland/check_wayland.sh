#!/bin/sh
# The game starts on Wayland too: in a private headless Weston compositor it
# makes its toplevel window with its title and app id and puts a picture on
# it, and keeps running until it is stopped.
#   check_wayland.sh KVINDO_EXECUTABLE
set -u
program=$1
XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/kvindo-wayland.XXXXXX")
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
weston_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT INT TERM

weston --backend=headless-backend.so --socket=kvindo-test --idle-time=0 --no-config \
    >"$XDG_RUNTIME_DIR/weston.log" 2>&1 &
weston_pid=$!
i=0
until [ -S "$XDG_RUNTIME_DIR/kvindo-test" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "FAIL: weston did not start"
        cat "$XDG_RUNTIME_DIR/weston.log"
        exit 1
    fi
    sleep 0.05
done

log=$XDG_RUNTIME_DIR/client.log
env -u DISPLAY WAYLAND_DISPLAY=kvindo-test QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$program" 2>"$log" &
game_pid=$!
i=0
while ! grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$log" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 200 ] || ! kill -0 "$game_pid" 2>/dev/null; then
        echo "FAIL: no picture was put on a window"
        grep -v '^\[' "$log"
        exit 1
    fi
    sleep 0.05
done
sleep 0.3
status=0
grep -q 'xdg_toplevel@[0-9]*\.set_title("Kvindo av Norvakk")' "$log" || { echo "FAIL: window title"; status=1; }
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("se.norvakk.Kvindo")' "$log" || { echo "FAIL: app id"; status=1; }
grep -q 'xdg_toplevel@[0-9]*\.set_max_size(312, ' "$log" || { echo "FAIL: fixed width"; status=1; }
kill -0 "$game_pid" 2>/dev/null || { echo "FAIL: the game ended on its own"; status=1; }
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
