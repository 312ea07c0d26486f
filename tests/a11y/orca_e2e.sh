#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# End to end: the game played by ear. Orca, speaking through speech-dispatcher
# into a private PulseAudio server with a null sink, on a private X server,
# session bus and accessibility bus, with a window manager; the game runs
# without its sound files, so whatever the sink's recording holds after a
# key press is speech.
#   orca_e2e.sh KVINDO PA_CI_SH [PRESSES]
# Each of PRESSES key presses (6 by default) must be followed by at least a
# second of speech within three seconds. The last press comes once the deal
# is over (the game is pressed on, unheard, until it is), so a press on a
# lost deal is among them. Skipped (exit 77) where Orca is not installed.
# ORCA_DEBUG=FILE keeps Orca's debug log (what it was sent, what it spoke).
set -u
KVINDO=$1
PA_CI=$2
PRESSES=${3:-6}

if ! command -v orca >/dev/null; then
    echo "SKIP: Orca is not installed (packages orca, speech-dispatcher, espeak-ng)"
    exit 77
fi
for need in speech-dispatcher:speech-dispatcher pulseaudio:pulseaudio parec:pulseaudio-utils \
    xdotool:xdotool openbox:openbox ; do
    if ! command -v "${need%%:*}" >/dev/null; then
        echo "FAIL: ${need%%:*} is missing (install the package ${need#*:})"
        exit 1
    fi
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "FAIL: Debian's python3 has no pyatspi (install the package python3-pyatspi)"
    exit 1
fi
if [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "FAIL: /usr/libexec/at-spi-bus-launcher is missing (install the package at-spi2-core)"
    exit 1
fi

# shellcheck source-path=SCRIPTDIR/../.. source=scripts/pa-ci.sh
source "$PA_CI"
te_init orca_e2e
te_atexit pa_stop
te_isolate
te_bus || exit 1
te_xvfb || exit 1
W=$TE_DIR
pa_start "$W/pa" >"$W/pa.log" 2>&1 || {
    echo "FAIL: no sound server"
    cat "$W/pa.log"
    exit 1
}
# Settings stay in memory; nothing is written to the home directory's dconf.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=0

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$W/atspi.log" 2>&1 &
TE_PIDS+=($!)
openbox >"$W/openbox.log" 2>&1 &
TE_PIDS+=($!)

# The recording: 16 kHz mono from the null sink's monitor, with the time it
# started, to place each key press in it.
parec -d ci_sink.monitor --rate=16000 --channels=1 --format=s16le --latency-msec=10 >"$W/rec.raw" &
TE_PIDS+=($!)
te_until 10 "the recording to start" test -s "$W/rec.raw" || exit 1
rec_start=$(date +%s.%N)
rec_bytes0=$(stat -c %s "$W/rec.raw")

orca --replace ${ORCA_DEBUG:+--debug-file="$W/orca.debug"} >"$W/orca.log" 2>&1 &
TE_PIDS+=($!)

# The seconds of speech in the recording from time $1 to $2 (seconds since
# the recording started): 10 ms blocks louder than a whisper.
speech() {
    /usr/bin/python3 - "$W/rec.raw" "$1" "$2" "$rec_bytes0" <<'PY'
import array, sys
path, start, end, skip = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
data = open(path, 'rb').read()[skip:]
samples = array.array('h', data[:len(data) // 2 * 2])
block = 160
loud = 0
for b in range(int(start * 100), min(int(end * 100), len(samples) // block)):
    chunk = samples[b * block:(b + 1) * block]
    if max(abs(s) for s in chunk) > 600:
        loud += 1
print(f"{loud / 100:.2f}")
PY
}
now() { awk -v a="$(date +%s.%N)" -v b="$rec_start" 'BEGIN { printf "%.2f", a - b }'; }

# Orca says "Screen reader on." when it is ready.
ready=0
for _ in $(seq 1 60); do
    sleep 0.5
    if awk -v s="$(speech 0 "$(now)")" 'BEGIN { exit !(s > 0.3) }'; then
        ready=1
        break
    fi
done
if [ "$ready" != 1 ]; then
    echo "FAIL: Orca said nothing within 30 s of starting; its log:"
    tail -n 20 "$W/orca.log"
    exit 1
fi
sleep 2

GAME=$W/game # the program alone: no Yes.wav or Doh.wav beside it
mkdir -p "$GAME"
cp "$KVINDO" "$GAME/kvindo"
"$GAME/kvindo" >"$W/kvindo.log" 2>&1 &
GAME_PID=$!
TE_PIDS+=("$GAME_PID")
TE_LOG=$W/kvindo.log te_until 20 "the game's window to appear" \
    xdotool search --onlyvisible --name '^Kvindo av Norvakk$' >"$W/window" || exit 1
window=$(head -n 1 "$W/window")
xdotool windowactivate --sync "$window" >/dev/null 2>&1
sleep 3

# The announcement the game offers Orca now, read through the accessibility
# bus: the name of the game's focused object.
focused() {
    /usr/bin/python3 - "$GAME_PID" <<'PY' 2>>"$W/atspi-read.log"
import sys, pyatspi
pid = int(sys.argv[1])
for app in pyatspi.Registry.getDesktop(0):
    if app is None or app.get_process_id() != pid:
        continue
    def walk(node):
        if node is None:
            return None
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node.name
        for child in node:
            found = walk(child)
            if found:
                return found
        return None
    print(walk(app) or "")
PY
}

failed=0
press() { # press N: one key press, then three seconds to hear it
    local at
    at=$(now)
    xdotool key --window "$window" Right
    sleep 3
    local heard
    heard=$(speech "$at" "$(awk -v a="$at" 'BEGIN { print a + 3 }')")
    local said
    said=$(focused)
    if awk -v s="$heard" 'BEGIN { exit !(s >= 1.0) }'; then
        echo "ok   - press $1: ${heard} s of speech (\"$said\")"
    else
        echo "FAIL - press $1: ${heard} s of speech within 3 s (\"$said\")"
        failed=$((failed + 1))
    fi
}
for n in $(seq 1 $((PRESSES - 1))); do
    press "$n"
done
# On, unheard, until the deal is over.
for _ in $(seq 1 53); do
    case $(focused) in *förlorad* | *"gått ut"*) break ;; esac
    xdotool key --window "$window" Right
    sleep 0.4
done
sleep 3
press "$PRESSES (the deal is over)"
te_stop "$GAME_PID"
if [ "$failed" != 0 ]; then
    echo "The game's log, and what reading its focused element last printed:"
    tail -n 10 "$W/kvindo.log" "$W/atspi-read.log" 2>/dev/null
fi
[ -n "${ORCA_DEBUG:-}" ] && cp "$W/orca.debug" "$ORCA_DEBUG"
[ "$failed" = 0 ]
