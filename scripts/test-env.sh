# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# shellcheck shell=bash
# Surroundings of a test's own, so that what it starts behaves alike on a
# bare server and on a full desktop (whose session bus, screen reader bus,
# sound server and window manager would otherwise reach the program), and
# waits that always end. Source it from a bash script:
#
#   source scripts/test-env.sh
#   te_init NAME          # a work directory ($TE_DIR), removed at exit
#   te_isolate            # own HOME and XDG_RUNTIME_DIR, none of the caller's session;
#                         # DBUS_SESSION_BUS_ADDRESS=disabled: so that no bus is autolaunched
#   te_bus                # a private session bus instead, as a desktop has
#   te_xvfb               # a private X server (DISPLAY)
#   te_until SECONDS STEP COMMAND...   # retries COMMAND every 50 ms until it succeeds
#                                      # (TE_LOG=FILE: what to show should it print nothing)
#   te_wait PID SECONDS STEP [LOG]     # waits for PID to end, returns its status
#   te_run SECONDS STEP COMMAND...     # runs COMMAND, ended after SECONDS (status 124)
#   te_stop PID...        # ends processes by PID: TERM, then KILL after 3 s
#   te_check WHAT COMMAND...           # one check: on failure "FAIL: WHAT" and COMMAND's output
#   te_checked            # "N passed, M failed"; fails if any check did
#
# A wait that runs out ends what it waited for and prints one line: the step
# that stuck and what LOG (or the step's command) last showed. Everything
# te_* started, and every PID added to TE_PIDS, is ended when the script
# exits; te_atexit adds a command to run first.

te_init() {
    TE_NAME=$1
    TE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/kvindo-$1.XXXXXX") || exit 1
    TE_PIDS=()
    TE_GROUPS=()
    TE_ATEXIT=()
    chmod 700 "$TE_DIR"
    trap te_cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
}

te_isolate() {
    mkdir -m 700 "$TE_DIR/home" "$TE_DIR/runtime"
    export HOME=$TE_DIR/home XDG_RUNTIME_DIR=$TE_DIR/runtime
    unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME \
        DISPLAY WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER \
        XDG_SESSION_TYPE XDG_SESSION_ID XDG_SESSION_DESKTOP XDG_CURRENT_DESKTOP DESKTOP_SESSION \
        AT_SPI_BUS_ADDRESS QT_ACCESSIBILITY QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORMTHEME \
        QT_IM_MODULE XMODIFIERS GTK_MODULES \
        PULSE_SERVER PULSE_COOKIE PULSE_RUNTIME_PATH PULSE_CLIENTCONFIG PIPEWIRE_RUNTIME_DIR PIPEWIRE_REMOTE
    export DBUS_SESSION_BUS_ADDRESS=disabled:
}

TE_PASSED=0
TE_FAILED=0
te_check() {
    local what=$1
    shift
    if "$@" >"$TE_DIR/check.out" 2>&1; then
        TE_PASSED=$((TE_PASSED + 1))
    else
        TE_FAILED=$((TE_FAILED + 1))
        echo "FAIL: $what"
        sed 's/^/    /' "$TE_DIR/check.out"
    fi
}

te_checked() {
    echo "$TE_PASSED passed, $TE_FAILED failed"
    [ "$TE_FAILED" -eq 0 ]
}

te_atexit() {
    TE_ATEXIT+=("$*")
}

te_cleanup() {
    local status=$? command
    trap - EXIT TERM INT
    for command in "${TE_ATEXIT[@]}"; do eval "$command"; done
    [ -s "$TE_DIR/stuck" ] && cat "$TE_DIR/stuck"
    [ "${#TE_PIDS[@]}" -gt 0 ] && te_stop "${TE_PIDS[@]}"
    for command in "${TE_GROUPS[@]}"; do
        kill -KILL -- "-$command" 2>/dev/null
        wait "$command" 2>/dev/null
    done
    rm -rf "$TE_DIR"
    exit "$status"
}

# Says which step stuck, now and again at exit (where a log it went to would
# not show it).
te_stuck() {
    echo "$TE_NAME: stuck: $*" | tee -a "$TE_DIR/stuck"
}

# The last line FILE holds, shortened, or "nothing".
te_last() {
    local line
    line=$(tail -n 1 "$1" 2>/dev/null | cut -c 1-200)
    echo "${line:-nothing}"
}

te_until() {
    local limit=$1 step=$2 tries
    shift 2
    for ((tries = limit * 20; tries > 0; tries--)); do
        "$@" >"$TE_DIR/until.out" 2>&1 && return 0
        sleep 0.05
    done
    local seen=$TE_DIR/until.out
    [ -s "$seen" ] || seen=${TE_LOG:-$seen}
    te_stuck "$step, not within $limit s (last seen: $(te_last "$seen"))"
    return 1
}

# --foreground keeps COMMAND in the caller's process group, which the
# surroundings end as a whole should their own deadline come first.
te_run() {
    local limit=$1 step=$2 status=0
    shift 2
    timeout --foreground -k 3 "$limit" "$@" || status=$?
    [ "$status" = 124 ] && te_stuck "$step, still running after $limit s; ended it"
    return "$status"
}

te_wait() {
    local pid=$1 limit=$2 step=$3 log=${4:-} tenths
    for ((tenths = limit * 10; tenths > 0; tenths--)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null
            return
        fi
        sleep 0.1
    done
    te_stuck "$step, still running after $limit s; ended it${log:+ (last seen: $(te_last "$log"))}"
    te_stop "$pid"
    return 124
}

te_stop() {
    local pid tenths alive
    for pid in "$@"; do kill -TERM "$pid" 2>/dev/null; done
    for ((tenths = 30; tenths > 0; tenths--)); do
        alive=0
        for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.1
    done
    for pid in "$@"; do kill -KILL "$pid" 2>/dev/null; done
    wait "$@" 2>/dev/null
    return 0
}

# The bus runs in a process group and directories of its own: the services
# it starts on request (an accessibility bus, say) end with it and write
# nothing into the test's home.
te_bus() {
    mkdir -m 700 "$TE_DIR/bus-home" "$TE_DIR/bus-runtime"
    HOME=$TE_DIR/bus-home XDG_RUNTIME_DIR=$TE_DIR/bus-runtime setsid dbus-daemon --session --nofork \
        --address="unix:path=$TE_DIR/bus" --print-address=3 3>"$TE_DIR/bus.address" >"$TE_DIR/bus.log" 2>&1 &
    TE_GROUPS+=($!)
    te_until 10 "the session bus to start" test -s "$TE_DIR/bus.address" || return 1
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$TE_DIR/bus.address")
}

# -noreset: by default the server starts over each time its last client
# leaves, and a client that connects just then is turned away (seen: a test
# polling with xdotool while the game started).
te_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$TE_DIR/display" >"$TE_DIR/xvfb.log" 2>&1 &
    TE_PIDS+=($!)
    te_until 10 "Xvfb to start" test -s "$TE_DIR/display" || {
        cat "$TE_DIR/xvfb.log"
        return 1
    }
    export DISPLAY=:$(cat "$TE_DIR/display")
}
