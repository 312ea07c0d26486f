# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# shellcheck shell=bash
# A private PulseAudio server with a null sink, for tests on a machine with no
# desktop session, no D-Bus and no sound card (CI runs as root). Source it:
#
#   source scripts/pa-ci.sh
#   pa_start [DIR]            # DIR: where the server lives (default: a new temp dir)
#   pa_capture_start cap.wav  # record the sink's monitor; returns once data flows
#   ... play ...
#   pa_capture_stop
#   pa_tone cap.wav           # freq=<Hz> len=<s> peak=<0..1> of the non-silent part
#   pa_stop
#
# Needs: pulseaudio, pulseaudio-utils (pactl, parec), sox.

pa_start() {
    if [ -n "${1:-}" ]; then
        PA_CI_DIR=$1; mkdir -p "$PA_CI_DIR"
    else
        PA_CI_DIR=$(mktemp -d /tmp/pa-ci.XXXXXX)
    fi
    export PA_CI_DIR; chmod 700 "$PA_CI_DIR"
    export XDG_RUNTIME_DIR=$PA_CI_DIR                 # socket: $PA_CI_DIR/pulse/native
    export PULSE_SERVER=unix:$PA_CI_DIR/pulse/native  # clients need nothing else
    export PULSE_COOKIE=$PA_CI_DIR/cookie             # keeps pactl/parec out of ~/.config/pulse
    HOME=$PA_CI_DIR pulseaudio --daemonize=yes -n --system=no --exit-idle-time=-1 \
        --realtime=no --high-priority=no --use-pid-file=yes \
        --log-target=file:"$PA_CI_DIR/pulseaudio.log" \
        -L "module-native-protocol-unix auth-anonymous=1" \
        -L "module-null-sink sink_name=ci_sink rate=48000 channels=2" || return 1
    local _
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "pulseaudio did not come up; log:" >&2; cat "$PA_CI_DIR/pulseaudio.log" >&2; return 1
}

# The daemon's process id (for SIGSTOP/SIGCONT in tests of a frozen server).
pa_pid() {
    cat "$PA_CI_DIR/pulse/pid" 2>/dev/null
}

pa_stop() {
    [ -n "${PA_CI_PID_REC:-}" ] && pa_capture_stop
    [ -n "${PA_CI_DIR:-}" ] || return 0
    local pid _; pid=$(pa_pid)
    [ -n "$pid" ] && kill -CONT "$pid" 2>/dev/null   # in case a test left it frozen
    HOME=$PA_CI_DIR pulseaudio --kill 2>/dev/null      # uses $XDG_RUNTIME_DIR/pulse/pid
    for _ in $(seq 1 50); do
        if [ -z "$pid" ] || [ ! -d "/proc/$pid" ]; then break; fi
        sleep 0.1
    done
    [ -n "$pid" ] && [ -d "/proc/$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$PA_CI_DIR"; unset PULSE_SERVER PULSE_COOKIE PA_CI_DIR
}

# Records the sink's monitor (mono, 48 kHz, 16-bit WAV). Returns once data is
# flowing: an idle null sink renders in ~2 s blocks, so the first samples can
# take up to ~2 s to arrive.
pa_capture_start() {
    PA_CI_CAP=$1; rm -f "$PA_CI_CAP"   # else the size test below may see an old file
    parec -d ci_sink.monitor --rate=48000 --channels=1 --format=s16le --latency-msec=10 \
          --file-format=wav "$PA_CI_CAP" & PA_CI_PID_REC=$!
    local _
    for _ in $(seq 1 100); do
        [ "$(stat -c %s "$PA_CI_CAP" 2>/dev/null || echo 0)" -gt 4800 ] && return 0
        sleep 0.05
    done
    echo "capture produced no data" >&2; return 1
}

# SIGTERM, not SIGINT: a background job in a non-interactive shell ignores
# SIGINT. A recorder that does not end within 3 s is killed.
pa_capture_stop() {
    local _
    sleep 0.3; kill -TERM "$PA_CI_PID_REC"
    for _ in $(seq 1 30); do kill -0 "$PA_CI_PID_REC" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$PA_CI_PID_REC" 2>/dev/null
    wait "$PA_CI_PID_REC" 2>/dev/null; unset PA_CI_PID_REC
}

# Dominant frequency (zero-crossing estimate), length and peak of the
# non-silent part of a capture; extra sox effects apply after the silence is
# trimmed:
#   pa_tone cap.wav                        whole sound
#   pa_tone cap.wav trim 0 0.2             its first 0.2 s
#   pa_tone cap.wav reverse trim 0 0.2     its last 0.2 s
# With no sound at all: len=0.000000 peak=0.000000
pa_tone() {
    local f=$1; shift
    sox "$f" -n silence 1 0.01 2% reverse silence 1 0.01 2% reverse "$@" stat 2>&1 \
        | awk '/^Length/ {len=$3} /^Rough/ {fr=$3} /^Maximum amplitude/ {amp=$3}
               END {printf "freq=%s len=%s peak=%s\n", fr, len, amp}'
}
