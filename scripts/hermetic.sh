#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Runs one test in surroundings of its own (scripts/test-env.sh), with a
# deadline well under CTest's:
#   scripts/hermetic.sh [--bus] [--x11] [--deadline SECONDS] COMMAND [ARGS...]
# --bus gives it a private session bus (else none can be reached or
# autolaunched), --x11 a private Xvfb server with Qt on its X11 platform.
# The command runs in a process group of its own, all of which is ended when
# it finishes; past the deadline one line says so, with the last line the
# command printed.
set -u
# shellcheck source=scripts/test-env.sh
source "$(dirname "$0")/test-env.sh"

bus=0
x11=0
deadline=90
while [ $# -gt 0 ]; do
    case $1 in
    --bus) bus=1 ;;
    --x11) x11=1 ;;
    --deadline)
        deadline=$2
        shift
        ;;
    *) break ;;
    esac
    shift
done
[ $# -gt 0 ] || {
    echo "usage: hermetic.sh [--bus] [--x11] [--deadline SECONDS] COMMAND [ARGS...]" >&2
    exit 2
}

te_init "$(basename "$1")"
te_isolate
if [ "$bus" = 1 ]; then te_bus || exit 1; fi
if [ "$x11" = 1 ]; then
    te_xvfb || exit 1
    export QT_QPA_PLATFORM=xcb
fi

# Not a process group leader, so setsid gives the command a group of its
# own without forking: $! is the command and its group.
setsid "$@" >"$TE_DIR/output" 2>"$TE_DIR/errors" </dev/null &
command=$!
TE_GROUPS+=("$command")
# Its output first; the line of a deadline that ran out comes last, at exit.
te_wait "$command" "$deadline" "$(basename "$1")" "$TE_DIR/output" >/dev/null
status=$?
cat "$TE_DIR/output"
cat "$TE_DIR/errors" >&2
exit "$status"
