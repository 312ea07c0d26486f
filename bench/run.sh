#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Runs every benchmark and rewrites the table of figures in bench/README.md.
#   bench/run.sh [BUILD_DIR]      (make bench builds the programs, then runs this)
# Needs Xvfb, valgrind and the bench programs built in BUILD_DIR (default
# build/). The raw figures and callgrind profiles are kept in
# BUILD_DIR/bench-results/ for a closer look (callgrind_annotate).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bin=$build/bench
xvfb="$root/scripts/hermetic.sh --x11 --deadline 1800"
out=$build/bench-results
rm -rf "$out"
mkdir -p "$out/runtime"
chmod 700 "$out/runtime"
export XDG_RUNTIME_DIR="$out/runtime"
export QT_SCALE_FACTOR=1
unset QT_QPA_PLATFORM QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR || true
results=$out/results.txt
: >"$results"

for program in "$build/kvindo" "$bin/baseline_window" "$bin/firstframe_harness" "$bin/kvindo_to_first_frame" \
    "$bin/baseline_to_first_frame" "$bin/bench_turn" "$bin/bench_heldkey"; do
    if [ ! -x "$program" ]; then
        echo "bench/run.sh: $program is not built (make bench builds it)" >&2
        exit 1
    fi
done

# Keeps the RESULT lines of a benchmark's output; the rest goes to the log.
collect() {
    tee -a "$out/log.txt" | sed -n 's/^RESULT //p' >>"$results"
}

# Instructions counted by callgrind in a profile.
totals() {
    sed -n 's/^totals: *//p' "$1" | awk '{print $1}'
}

echo "== first frame and peak RSS under Xvfb (kvindo and baseline, alternating)"
$xvfb "$bin/firstframe_harness" --runs 21 --settle-ms 300 \
    kvindo="$build/kvindo" baseline="$bin/baseline_window" 2>>"$out/log.txt" | collect

echo "== peak RSS after start, 30 key presses and a second's idle, at scales 1, 2 and 3"
for scale in 1 2 3; do
    $xvfb "$bin/firstframe_harness" --runs 5 --keys 30 --settle-ms 1000 --scale "$scale" --prefix "memory.x$scale" \
        kvindo="$build/kvindo" baseline="$bin/baseline_window" 2>>"$out/log.txt" | collect
done

# Instructions of a whole program, every thread, from exec until it has
# fallen idle: run under callgrind, it is sent SIGTERM (callgrind then writes
# its counts) once its CPU time has stood still for two seconds, and no
# sooner than eight seconds after exec, when start-up's timers have fired.
idle_ir() {
    name=$1
    program=$2
    QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind --callgrind-out-file="$out/idle.$name.callgrind" \
        "$program" >>"$out/log.txt" 2>&1 &
    pid=$!
    started=$(date +%s)
    last=
    still=0
    while sleep 0.5; do
        ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null) || break
        if [ "$ticks" = "$last" ]; then still=$((still + 1)); else still=0; fi
        last=$ticks
        elapsed=$(($(date +%s) - started))
        if [ "$still" -ge 4 ] && [ "$elapsed" -ge 8 ]; then break; fi
        if [ "$elapsed" -ge 300 ]; then
            echo "bench/run.sh: $name never fell idle" >&2
            break
        fi
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" || true
    echo "idle_ir.$name $(totals "$out/idle.$name.callgrind")" >>"$results"
}

echo "== instructions from exec until idle (callgrind, every thread, offscreen)"
idle_ir kvindo "$build/kvindo"
idle_ir baseline "$bin/baseline_window"

echo "== instructions from exec to the first frame (callgrind, offscreen)"
for name in kvindo baseline; do
    QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind --callgrind-out-file="$out/startup.$name.callgrind" \
        "$bin/${name}_to_first_frame" >>"$out/log.txt" 2>&1
    echo "startup_ir.$name $(totals "$out/startup.$name.callgrind")" >>"$results"
done

echo "== one turn with a forced repaint: time"
QT_QPA_PLATFORM=offscreen "$bin/bench_turn" 2>>"$out/log.txt" | collect
$xvfb "$bin/bench_turn" 2>>"$out/log.txt" | collect

echo "== one turn with a forced repaint: instructions (callgrind)"
for mode in cold warm; do
    QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind --collect-atstart=no \
        --callgrind-out-file="$out/turn.offscreen.$mode.callgrind" \
        "$bin/bench_turn" --callgrind "$mode" >>"$out/log.txt" 2>&1
    $xvfb valgrind --tool=callgrind --collect-atstart=no \
        --callgrind-out-file="$out/turn.xcb.$mode.callgrind" \
        "$bin/bench_turn" --callgrind "$mode" >>"$out/log.txt" 2>&1
    for platform in offscreen xcb; do
        echo "turn_ir.$platform.$mode $(totals "$out/turn.$platform.$mode.callgrind" | awk '{printf "%.0f", $1 / 51}')" \
            >>"$results"
    done
done

echo "== held key: 2000 keys at 50 per second through Xvfb"
$xvfb "$bin/bench_heldkey" --keys 2000 --rate 50 2>>"$out/log.txt" | collect

echo "== sound: requests and shutdown, no server and a frozen one"
"$bin/bench_sound" 2>>"$out/log.txt" | collect

# The machine.
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
cores=$(nproc)
ram=$(awk '/^MemTotal:/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
kernel=$(uname -r)
qt=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || pkg-config --modversion Qt6Core 2>/dev/null || echo unknown)
date=$(date -u +%Y-%m-%d)

table=$out/table.md
awk -v cpu="$cpu" -v cores="$cores" -v ram="$ram" -v os="$os" -v kernel="$kernel" -v qt="$qt" -v date="$date" '
{ v[$1] = $2 }
function ms(x) { return sprintf("%.1f", x) }
function us(x) { return sprintf("%.0f", x) }
function mi(x) { return sprintf("%.1f", x) }
function m(x) { return sprintf("%.2f M", x / 1e6) }
function ok(c) { return c ? "met" : "**missed**" }
END {
    printf "Measured %s on %s (%s cores), %s RAM, %s (Linux %s), Qt %s.\n\n", date, cpu, cores, ram, os, kernel, qt
    print "| Figure | Kvindo | Baseline window | Target | |"
    print "|---|---|---|---|---|"
    k = "firstframe.kvindo."; b = "firstframe.baseline."
    printf "| Exec to first full frame, Xvfb, median [min–max] of %d runs | %s ms [%s–%s] | %s ms [%s–%s] | | |\n", \
        v[k "runs"], ms(v[k "median_ms"]), ms(v[k "min_ms"]), ms(v[k "max_ms"]), \
        ms(v[b "median_ms"]), ms(v[b "min_ms"]), ms(v[b "max_ms"])
    printf "| Window mapped (for reference), median | %s ms | %s ms | | |\n", ms(v[k "map_median_ms"]), ms(v[b "map_median_ms"])
    printf "| CPU time used by the first frame (all threads), median; ratio | %s ms; %.3f | %s ms | (≤ 1.15) | |\n", \
        ms(v[k "cpu_median_ms"]), v["firstframe.cpu_ratio_of_medians"], ms(v[b "cpu_median_ms"])
    printf "| First frame, Kvindo / baseline: ratio of medians; median [min–max] of paired runs | %.3f; %.3f [%.2f–%.2f] | 1 | ≤ 1.15 | %s |\n", \
        v["firstframe.ratio_of_medians"], v["firstframe.pair_ratio_median"], v["firstframe.pair_ratio_min"], \
        v["firstframe.pair_ratio_max"], ok(v["firstframe.ratio_of_medians"] <= 1.15)
    printf "| Peak RSS (ru_maxrss), median (max), 300 ms after the first frame | %s MiB (%s) | %s MiB (%s) | ≤ 35 MiB | %s |\n", \
        mi(v[k "rss_median_mib"]), mi(v[k "rss_max_mib"]), mi(v[b "rss_median_mib"]), mi(v[b "rss_max_mib"]), \
        ok(v[k "rss_max_mib"] <= 35)
    for (x = 1; x <= 3; x++) {
        r = "memory.x" x "."
        over = v[r "kvindo.rss_median_mib"] - v[r "baseline.rss_median_mib"]
        printf "| Peak RSS after start, 30 keys and 1 s idle, scale %d: median (max) of %d; Kvindo over baseline | %s MiB (%s); +%s MiB | %s MiB (%s) | ≤ +2.0 MiB | %s |\n", \
            x, v[r "kvindo.runs"], mi(v[r "kvindo.rss_median_mib"]), mi(v[r "kvindo.rss_max_mib"]), sprintf("%.2f", over), \
            mi(v[r "baseline.rss_median_mib"]), mi(v[r "baseline.rss_max_mib"]), ok(over <= 2.0)
    }
    printf "| Instructions, exec to first frame (callgrind, offscreen) | %s | %s | (ratio %.2f) | |\n", \
        m(v["startup_ir.kvindo"]), m(v["startup_ir.baseline"]), v["startup_ir.kvindo"] / v["startup_ir.baseline"]
    printf "| Instructions, exec until idle (callgrind, every thread, offscreen); ratio | %s; %.2f | %s | ≤ 1.30 | %s |\n", \
        m(v["idle_ir.kvindo"]), v["idle_ir.kvindo"] / v["idle_ir.baseline"], m(v["idle_ir.baseline"]), \
        ok(v["idle_ir.kvindo"] <= 1.30 * v["idle_ir.baseline"])
    n = split("offscreen xcb", p, " ")
    for (i = 1; i <= n; i++) {
        t = "turn." p[i] "."; name = p[i] == "xcb" ? "X (Xvfb)" : "offscreen"
        printf "| Turn + repaint, %s, warm: median / p99 / max of %d turns | %s / %s / %s µs | | ≤ 1000 µs | %s |\n", \
            name, v[t "warm_turns"], us(v[t "warm_median_us"]), us(v[t "warm_p99_us"]), us(v[t "warm_max_us"]), \
            ok(v[t "warm_max_us"] <= 1000)
        printf "| Turn + repaint, %s, cold (the first deal after start): median / max of 51 | %s / %s µs | | ≤ 1000 µs | %s |\n", \
            name, us(v[t "cold_median_us"]), us(v[t "cold_max_us"]), ok(v[t "cold_max_us"] <= 1000)
        printf "| Instructions per turn + repaint, %s, warm / cold (mean of 51) | %s / %s | | ≤ 1 M | %s / %s |\n", \
            name, m(v["turn_ir." p[i] ".warm"]), m(v["turn_ir." p[i] ".cold"]), \
            ok(v["turn_ir." p[i] ".warm"] <= 1e6), ok(v["turn_ir." p[i] ".cold"] <= 1e6)
    }
    h = "heldkey."
    printf "| Held key, X: keys sent / turns made / turns dropped | %d / %d / %d | | 0 dropped | %s |\n", \
        v[h "keys_sent"], v[h "turns"], v[h "dropped"], ok(v[h "dropped"] == 0 && v[h "keys_sent"] > 0)
    printf "| Held key: turns shown in a frame of their own / frames later than 20 ms | %d / %d | | all / 0 | %s |\n", \
        v[h "own_frame"], v[h "lag_over_20ms"], ok(v[h "own_frame"] == v[h "keys_sent"] && v[h "lag_over_20ms"] == 0)
    printf "| Held key: key sent to frame painted, median / p99 / max | %s / %s / %s ms | | ≤ 20 ms | |\n", \
        sprintf("%.2f", v[h "lag_median_ms"]), sprintf("%.2f", v[h "lag_p99_ms"]), sprintf("%.2f", v[h "lag_max_ms"])
    printf "| Held key: key sent to X server reporting the window changed, median / max | %s / %s ms | | | |\n", \
        sprintf("%.2f", v[h "screen_lag_median_ms"]), sprintf("%.2f", v[h "screen_lag_max_ms"])
    n = split("no_server frozen_server", srv, " ")
    for (i = 1; i <= n; i++) {
        r = "sound.request." srv[i] "."; name = srv[i] == "no_server" ? "no sound server" : "a frozen sound server"
        printf "| Sound request, calling thread, %s: median / p99 / max of 200 | %s / %s / %s ms | | ≤ 2 ms median | %s |\n", \
            name, sprintf("%.3f", v[r "median_ms"]), sprintf("%.3f", v[r "p99_ms"]), sprintf("%.3f", v[r "max_ms"]), \
            ok(v[r "median_ms"] <= 2)
    }
    n = split("decoding frozen_server", sd, " ")
    for (i = 1; i <= n; i++) {
        r = "sound.shutdown." sd[i] "."; name = sd[i] == "decoding" ? "during a 16 MiB decode" : "with a frozen sound server"
        printf "| Sound player shutdown %s: median / max of 8 | %s / %s ms | | ≤ 50 ms | %s |\n", \
            name, sprintf("%.2f", v[r "median_ms"]), sprintf("%.2f", v[r "max_ms"]), ok(v[r "max_ms"] <= 50)
    }
}' "$results" >"$table"

readme=$root/bench/README.md
awk -v table="$table" '
/<!-- figures:begin -->/ { print; while ((getline line < table) > 0) print line; skip = 1; next }
/<!-- figures:end -->/ { skip = 0 }
!skip { print }' "$readme" >"$out/README.md"
cp "$out/README.md" "$readme"

cat "$table"
echo
echo "Raw figures and callgrind profiles: $out"
