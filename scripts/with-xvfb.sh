#!/bin/sh
# Runs a command inside a private Xvfb server of its own:
#   scripts/with-xvfb.sh COMMAND [ARGS...]
# DISPLAY points at the new server and Qt uses its X11 platform; the server
# is stopped when the command ends, and the command's status is returned.
set -u

dir=$(mktemp -d "${TMPDIR:-/tmp}/kvindo-xvfb.XXXXXX")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT INT TERM

i=0
while [ ! -s "$dir/display" ]; do
    i=$((i + 1))
    if [ $i -gt 200 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "with-xvfb: Xvfb did not start:" >&2
        cat "$dir/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done

DISPLAY=:$(cat "$dir/display")
export DISPLAY
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
