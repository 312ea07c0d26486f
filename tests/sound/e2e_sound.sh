#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# End to end: the game's sound requests through the real layer into a private
# sound server with a null sink, judged from a recording of its monitor.
#   e2e_sound.sh [--server pulseaudio|pipewire] DRIVER PA_CI_SH [KVINDO]
# The server is PulseAudio by default; pipewire is PipeWire with WirePlumber
# and its pulse server, Debian 12's desktop default (run it with a private
# session bus: WirePlumber needs one). With KVINDO, the game itself is
# started too, and its first card's cue must come out of the server.
# Needs sox, pulseaudio-utils and the server's packages (the install script
# adds them).
set -u
SERVER=pulseaudio
if [ "${1:-}" = --server ]; then
    SERVER=${2:-}
    shift 2
fi
DRIVER=$1
PA_CI=$2
KVINDO=${3:-}

# Each command the test runs, with the package it comes in.
case $SERVER in
pulseaudio) needs="pulseaudio:pulseaudio" ;;
pipewire) needs="pipewire:pipewire-bin wireplumber:wireplumber pipewire-pulse:pipewire-pulse" ;;
*)
    echo "FAIL: no server called '$SERVER' (pulseaudio or pipewire)"
    exit 1
    ;;
esac
for need in $needs pactl:pulseaudio-utils parec:pulseaudio-utils sox:sox; do
    if ! command -v "${need%%:*}" >/dev/null; then
        echo "FAIL: ${need%%:*} is missing (install the package ${need#*:})"
        exit 1
    fi
done
# shellcheck source-path=SCRIPTDIR/../.. source=scripts/pa-ci.sh
source "$PA_CI"
PA_CI_SERVER=$SERVER
# shellcheck source=scripts/test-env.sh
source "$(dirname "$PA_CI")/test-env.sh"
NAME=sound_e2e
[ "$SERVER" = pulseaudio ] || NAME=sound_e2e_$SERVER
te_init "$NAME"
te_atexit pa_stop

W=$TE_DIR
GAME=$W/game        # the program directory: Yes.wav and Doh.wav lie here
HOMEDIR=$W/home     # the player's home and runtime directories: must stay empty
RUNDIR=$W/runtime
SERVER_DIR=$W/server
mkdir -p "$GAME" "$HOMEDIR" "$RUNDIR"

failures=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   - $1"; else echo "FAIL - $1"; failures=$((failures + 1)); fi
}
near() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 < b + 0) }'; }
field() { sed -n "s/.*$1=\([-0-9.]*\).*/\1/p" <<<"$2"; }

# The cues: 0.3 s at 440 Hz (Yes) and 880 Hz (Doh), and a 2 s 440 Hz one.
sox -n -r 44100 -c 1 -b 16 "$GAME/Yes.wav" synth 0.3 sine 440 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$GAME/Doh.wav" synth 0.3 sine 880 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$GAME/Long.wav" synth 2.0 sine 440 vol 0.5
cp "$GAME/Yes.wav" "$GAME/Short.wav"
mkfifo "$GAME/Fifo.wav"

# The player runs with an empty home, no cookie variable and no runtime
# directory of the server's: anything it wrote would show up there. Each run
# has 30 s; the longest takes 10.
DRIVER_ENV=(env -u PULSE_COOKIE -u XDG_CONFIG_HOME HOME="$HOMEDIR" XDG_RUNTIME_DIR="$RUNDIR"
    PULSE_SERVER="unix:$SERVER_DIR/pulse/native")
run_driver() {
    te_run 30 "the driver ($*)" "${DRIVER_ENV[@]}" "$DRIVER" dir "$GAME" "$@"
}

# 1. A server that starts after the game: the first cue is lost (silently),
#    a later one is heard. The driver runs under timeout directly, not in
#    run_driver's subshell: $! is then timeout, which passes a TERM on, so a
#    test that ends early (a server that did not start) leaves no driver
#    behind. te_wait's deadline comes first; timeout's is a backstop.
timeout --foreground -k 3 40 "${DRIVER_ENV[@]}" "$DRIVER" dir "$GAME" safe sleep 4500 lose sleep 800 >"$W/late.log" 2>&1 &
late_pid=$!
TE_PIDS+=("$late_pid")
sleep 0.3
if ! pa_start "$SERVER_DIR" 2>"$W/start.err"; then
    # One line with the reason; whatever else the start printed (a log) after it.
    echo "FAIL: $SERVER did not start: $(head -n 1 "$W/start.err")"
    tail -n +2 "$W/start.err" >&2
    exit 1
fi
pa_capture_start "$W/cap.wav" || { echo "FAIL: no capture"; exit 1; }
te_wait "$late_pid" 35 "the driver begun before the server" "$W/late.log"
check "game started before the server ran on" grep -q "^shutdown_us=" "$W/late.log"

# 2. A game: the start-up card (right after the player is made), a loss,
#    presses after it, a game with "Ljud" off, bad files, a replaced file
#    with a 2 s cue cut off by the next turn, a held key, a removed file.
run_driver \
    safe sleep 800 \
    lose sleep 800 \
    press press press sleep 600 \
    deal sound off safe safe lose sleep 600 \
    deal sound on file Missing.wav file Fifo.wav sleep 600 \
    rename Long.wav Yes.wav safe sleep 500 lose sleep 800 \
    deal rename Short.wav Yes.wav hold 25 40 lose sleep 800 \
    deal rename Yes.wav Gone.wav safe sleep 600 \
    rename Gone.wav Yes.wav safe sleep 800 \
    >"$W/game.log" 2>&1
check "game ran to the end" grep -q "^shutdown_us=" "$W/game.log"
pa_capture_stop

# Cut the recording at every gap of 0.3 s and more; keep the sounding parts.
sox "$W/cap.wav" "$W/seg.wav" silence 1 0.01 2% 1 0.3 2% : newfile : restart 2>/dev/null
segments=()   # pa_tone of each sounding part, in order
segfiles=()
for f in "$W"/seg*.wav; do
    t=$(pa_tone "$f")
    less 0.05 "$(field peak "$t")" && { segments+=("$t"); segfiles+=("$f"); }
done
echo "sounds heard: ${#segments[@]}"
for s in "${segments[@]}"; do echo "  $s"; done
check "at least six sounds: neither the start-up cue nor the late server's was lost" \
    test "${#segments[@]}" -ge 6
check "at most six sounds: bad files, presses after a loss and 'Ljud' off were silent" \
    test "${#segments[@]}" -le 6

tone_is() { # tone_is INDEX HZ [sox effects...]: that sound (or the part the effects select) is at HZ
    local t; t=$(pa_tone "${segfiles[$1]}" "${@:3}")
    near "$(field freq "$t")" "$2" 15 && less 0.1 "$(field peak "$t")"
}
len_of() { field len "${segments[$1]}"; }

if [ "${#segments[@]}" -eq 6 ]; then
    check "late server: the cue after it came up is heard (880 Hz)" tone_is 0 880
    check "start-up card: safe card gives 440 Hz" tone_is 1 440
    check "start-up cue plays its full length" near "$(len_of 1)" 0.3 0.05
    check "losing card gives 880 Hz" tone_is 2 880
    check "2 s cue cut off by the next turn: shorter than 1 s" less "$(len_of 3)" 1.0
    check "cut-off: begins at 440 Hz" tone_is 3 440 trim 0 0.2
    check "cut-off: ends at 880 Hz" tone_is 3 880 reverse trim 0 0.2
    check "held key: nothing queued (1.3 s expected, 7.8 s if queued)" less "$(len_of 4)" 2.0
    check "held key: the last cue is the loss (880 Hz)" tone_is 4 880 reverse trim 0 0.2
    check "a file put back while running plays (440 Hz)" tone_is 5 440
fi

# Return values: 1 for an accepted file, 0 for missing, FIFO, removed.
check "missing file returns 0" grep -q "^request Missing.wav ret=0" "$W/game.log"
check "FIFO returns 0" grep -q "^request Fifo.wav ret=0" "$W/game.log"
check "removed Yes.wav returns 0" test "$(grep -c '^request Yes.wav ret=0' "$W/game.log")" -eq 1
check "sound off: no requests" grep -q "turn with sound off: no request" "$W/game.log"
check "after a loss: no requests" grep -q "press after loss: no request" "$W/game.log"

# The calling thread never waits for a file or the server: a request that
# did would take seconds, so 100 ms for any one request is ample.
ui=$(grep -h "^request" "$W/late.log" "$W/game.log" | sed 's/.*ui_us=\([0-9]*\).*/\1/' | sort -n)
count=$(wc -l <<<"$ui")
worst=$(tail -1 <<<"$ui")
echo "requests: $count, calling-thread time worst ${worst} us"
check "calling thread: every request under 100 ms" less "$worst" 100000

# 3. A frozen server: requests and shutdown do not wait for it (waiting
#    would mean forever).
pid=$(pa_pid)
kill -STOP "$pid"
run_driver safe sleep 100 lose sleep 100 >"$W/frozen.log" 2>&1
kill -CONT "$pid"
frozen_shutdown=$(sed -n 's/^shutdown_us=//p' "$W/frozen.log")
echo "frozen server: $(grep -c '^request' "$W/frozen.log") requests, shutdown ${frozen_shutdown} us"
check "frozen server: shutdown within 1 s" less "${frozen_shutdown:-999999999}" 1000000
check "frozen server: requests returned at once" \
    awk -F'ui_us=' '/^request/ { split($2, a, " "); if (a[1] + 0 >= 100000) bad = 1; n++ } END { exit bad || n != 2 }' "$W/frozen.log"

# 4. Nothing written: no cookie, no runtime directory.
check "no file written to home or runtime directory" test -z "$(find "$HOMEDIR" "$RUNDIR" -mindepth 1)"

# 5. The game itself: its first card is turned at start-up, and its cue comes
#    out through the program's own player (440 Hz safe, 880 Hz lost at once).
if [ -n "$KVINDO" ]; then
    PROGRAM=$W/program
    mkdir -p "$PROGRAM"
    cp "$KVINDO" "$PROGRAM/kvindo"
    sox -n -r 44100 -c 1 -b 16 "$PROGRAM/Yes.wav" synth 0.3 sine 440 vol 0.5
    sox -n -r 44100 -c 1 -b 16 "$PROGRAM/Doh.wav" synth 0.3 sine 880 vol 0.5
    pa_capture_start "$W/cap-game.wav" || { echo "FAIL: no capture"; exit 1; }
    env -u PULSE_COOKIE -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$HOMEDIR" XDG_RUNTIME_DIR="$RUNDIR" \
        PULSE_SERVER="unix:$SERVER_DIR/pulse/native" QT_QPA_PLATFORM=offscreen "$PROGRAM/kvindo" >"$W/kvindo.log" 2>&1 &
    game_pid=$!
    TE_PIDS+=("$game_pid")
    sleep 1.5
    te_stop "$game_pid"
    pa_capture_stop
    t=$(pa_tone "$W/cap-game.wav")
    echo "the game's start-up cue: $t"
    game_cue() {
        local f; f=$(field freq "$t")
        { near "$f" 440 15 || near "$f" 880 15; } && less 0.1 "$(field peak "$t")"
    }
    check "the game's first card sounds its cue (440 or 880 Hz)" game_cue
fi

# 4b. Still nothing written, the game included.
check "no file written to home or runtime directory by the game" test -z "$(find "$HOMEDIR" "$RUNDIR" -mindepth 1)"

# 6. No server to be reached: the player starts none, even where libpulse
#    would (a user other than root, autospawn configured, a daemon to run).
SPAWN=$(mktemp -d /tmp/kvindo-autospawn.XXXXXX) # within reach of that user
te_atexit "rm -rf '$SPAWN'"
mkdir -p "$SPAWN/home" "$SPAWN/runtime/pulse" "$SPAWN/game"
cp "$DRIVER" "$SPAWN/driver"
cp "$GAME/Yes.wav" "$SPAWN/game/"
printf '#!/bin/sh\necho "$0 $*" >>%s/spawned\n' "$SPAWN" >"$SPAWN/daemon"
printf 'autospawn = yes\ndaemon-binary = %s/daemon\n' "$SPAWN" >"$SPAWN/client.conf"
chmod 755 "$SPAWN" "$SPAWN/daemon"
chmod 700 "$SPAWN/runtime"
as_user=()
if [ "$(id -u)" = 0 ]; then
    chown -R 65534:65534 "$SPAWN"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
sanitizer=()
[ -n "${ASAN_OPTIONS:-}" ] && sanitizer=("ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0")
te_run 20 "the driver with no server" env -i PATH=/usr/bin:/bin HOME="$SPAWN/home" XDG_RUNTIME_DIR="$SPAWN/runtime" \
    PULSE_CLIENTCONFIG="$SPAWN/client.conf" "${sanitizer[@]}" "${as_user[@]}" "$SPAWN/driver" dir "$SPAWN/game" \
    safe sleep 500 >"$W/autospawn.log" 2>&1
check "no server: the player ran" grep -q "^request Yes.wav ret=1" "$W/autospawn.log"
check "no server: the player started none" test ! -e "$SPAWN/spawned"

for log in late game frozen autospawn; do sed "s/^/  $log: /" "$W/$log.log"; done | grep -v "^  game: request Yes.wav ret=1" | head -40
echo "$NAME: $failures check(s) failed"
[ "$failures" -eq 0 ]
