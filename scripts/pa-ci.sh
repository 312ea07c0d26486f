# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# shellcheck shell=bash
# A private PulseAudio server with a null sink, for tests on a machine with no
# desktop session, no D-Bus and no sound card (CI runs as root); or, with
# PA_CI_SERVER=pipewire, PipeWire with WirePlumber and its pulse server, as
# Debian 12's desktops have it (this one needs a session bus). Source it:
#
#   source scripts/pa-ci.sh
#   PA_CI_SERVER=pipewire     # optional; pulseaudio by default
#   pa_start [DIR]            # DIR: where the server lives (default: a new temp dir)
#   pa_capture_start cap.wav  # record the sink's monitor; returns once data flows
#   ... play ...
#   pa_capture_stop
#   pa_tone cap.wav           # freq=<Hz> len=<s> peak=<0..1> of the non-silent part
#   pa_stop
#
# Needs: pulseaudio, pulseaudio-utils (pactl, parec), sox; for PipeWire also
# pipewire-bin, wireplumber and pipewire-pulse.

PA_CI_SERVER=${PA_CI_SERVER:-pulseaudio}
# te_stop, for ending the PipeWire processes.
# shellcheck source=scripts/test-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/test-env.sh"

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
    case $PA_CI_SERVER in
    pulseaudio) ;;
    pipewire) pw_start; return ;;
    *) echo "PA_CI_SERVER: no server called '$PA_CI_SERVER'" >&2; return 1 ;;
    esac
    HOME=$PA_CI_DIR pulseaudio --daemonize=yes -n --system=no --exit-idle-time=-1 \
        --realtime=no --high-priority=no --use-pid-file=yes \
        --log-target=file:"$PA_CI_DIR/pulseaudio.log" \
        -L "module-native-protocol-unix auth-anonymous=1" \
        -L "module-null-sink sink_name=ci_sink rate=48000 channels=2" || return 1
    local _
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "pulseaudio did not come up; log:" >&2; cat "$PA_CI_DIR/pulseaudio.log" >&2; return 1
}

# The process that serves the pulse protocol (for SIGSTOP/SIGCONT in tests of
# a frozen server): the daemon, or PipeWire's pulse server.
pa_pid() {
    if [ "$PA_CI_SERVER" = pipewire ]; then
        echo "${PW_CI_PID_PULSE:-}"
    else
        cat "$PA_CI_DIR/pulse/pid" 2>/dev/null
    fi
}

pa_stop() {
    [ -n "${PA_CI_PID_REC:-}" ] && pa_capture_stop
    [ -n "${PA_CI_DIR:-}" ] || return 0
    if [ "$PA_CI_SERVER" = pipewire ]; then
        pw_stop
        rm -rf "$PA_CI_DIR"; unset PULSE_SERVER PULSE_COOKIE PA_CI_DIR
        return 0
    fi
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

# PipeWire: the graph daemon, WirePlumber (it links every stream to a sink,
# and exits at once without a session bus) and the pulse server, each in the
# foreground so that $! is its PID and pa_stop can end it. They share the
# server's directory as runtime directory and home (WirePlumber keeps its
# state there) and read no configuration of the caller's.
pw_run() { # pw_run NAME COMMAND...: starts COMMAND in the background, output to NAME.log
    local name=$1; shift
    env -u XDG_CONFIG_HOME -u XDG_STATE_HOME -u XDG_DATA_HOME -u PIPEWIRE_REMOTE -u PULSE_RUNTIME_PATH \
        HOME="$PA_CI_DIR" PIPEWIRE_RUNTIME_DIR="$PA_CI_DIR" "$@" >"$PA_CI_DIR/$name.log" 2>&1 &
}

# pactl with a deadline: a pulse server that accepts but never answers
# keeps it waiting for ever.
pw_pactl() {
    timeout --foreground -k 1 2 pactl "$@"
}

# Polls COMMAND every 50 ms until SECONDS (to the second) have passed; on
# expiry one line names STEP and the last line of LOG. Once WirePlumber
# runs, a wait ends as soon as it has exited: it does so at once when it
# cannot reach a session bus.
pw_until() { # pw_until SECONDS STEP LOG COMMAND...
    local limit=$1 step=$2 log=$3 deadline
    shift 3
    deadline=$((SECONDS + limit))
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$@" >/dev/null 2>&1 && return 0
        if [ -n "${PW_CI_PID_WP:-}" ]; then pw_alive wireplumber "$PW_CI_PID_WP" || return 1; fi
        sleep 0.05
    done
    echo "pipewire: $step, not within $limit s (last in $(basename "$log"): $(tail -n 1 "$log" 2>/dev/null))" >&2
    return 1
}

# The first line of an early exit's log says why (WirePlumber: "Failed to
# connect to bus"); the last only that it disconnected.
pw_alive() { # pw_alive NAME PID: fails with one line if PID has ended
    kill -0 "$2" 2>/dev/null && return 0
    echo "pipewire: $1 exited ($1.log begins: $(head -n 1 "$PA_CI_DIR/$1.log" 2>/dev/null))" >&2
    return 1
}

# The default sink lives in metadata that WirePlumber makes once it is up;
# until then the pulse server answers "Not supported". So it is set again
# on each poll until the server reports it.
pw_default_is_ci_sink() {
    pw_pactl set-default-sink ci_sink && [ "$(pw_pactl get-default-sink)" = ci_sink ]
}

pw_start() {
    case ${DBUS_SESSION_BUS_ADDRESS:-disabled:} in
    disabled:*)
        echo "pipewire: wireplumber needs a session bus, and DBUS_SESSION_BUS_ADDRESS names none" >&2
        return 1
        ;;
    esac
    # WirePlumber's Bluetooth monitor watches the seats through
    # systemd-logind, and where there is none (no systemd running: a
    # container, a chroot) it takes all of WirePlumber down with it. A null
    # sink needs no Bluetooth.
    mkdir -p "$PA_CI_DIR/.config/wireplumber/bluetooth.lua.d"
    echo "bluez_monitor.enabled = false" >"$PA_CI_DIR/.config/wireplumber/bluetooth.lua.d/80-no-bluetooth.lua"
    pw_run pipewire pipewire; PW_CI_PID_PW=$!
    pw_until 5 "pipewire's socket to appear" "$PA_CI_DIR/pipewire.log" test -S "$PA_CI_DIR/pipewire-0" || return 1
    pw_run wireplumber wireplumber; PW_CI_PID_WP=$!
    pw_run pipewire-pulse pipewire-pulse; PW_CI_PID_PULSE=$!
    pw_until 5 "the pulse server to answer" "$PA_CI_DIR/pipewire-pulse.log" pw_pactl info || return 1
    local out
    out=$(pw_pactl load-module module-null-sink sink_name=ci_sink rate=48000 channels=2 2>&1 >/dev/null) || {
        echo "pipewire: the null sink could not be made: $out" >&2
        return 1
    }
    # A stream with no device of its own goes to the default sink.
    pw_until 5 "ci_sink to become the default sink" "$PA_CI_DIR/wireplumber.log" pw_default_is_ci_sink
}

# Ends the three by PID, all at once (the pulse server thawed first, should
# a test have left it frozen): TERM, then KILL whatever still runs after 3 s.
pw_stop() {
    local pids=() pid
    for pid in "${PW_CI_PID_PULSE:-}" "${PW_CI_PID_WP:-}" "${PW_CI_PID_PW:-}"; do
        [ -n "$pid" ] && pids+=("$pid")
    done
    [ "${#pids[@]}" -gt 0 ] || return 0
    kill -CONT "${pids[@]}" 2>/dev/null
    te_stop "${pids[@]}"
    unset PW_CI_PID_PULSE PW_CI_PID_WP PW_CI_PID_PW
}

# Records the sink's monitor (mono, 48 kHz, 16-bit WAV). Returns once data is
# flowing: an idle PulseAudio null sink renders in ~2 s blocks, so the first
# samples can take up to ~2 s to arrive (PipeWire's: ~0.1 s).
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
