#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Builds the sound decoder's fuzz target with clang (libFuzzer, ASan, UBSan)
# and runs it for a bounded time, starting from the kept corpus fuzz/corpus/.
#   scripts/fuzz-decode.sh SECONDS [BUILD_DIR]
# New inputs go to a scratch corpus in BUILD_DIR; fuzz/corpus/ is only read.
# Any crash, leak, timeout or out-of-memory input is kept in BUILD_DIR/findings
# and fails the run. Needs: clang, libclang-rt-14-dev (or the runtime of the
# installed clang), libsndfile1-dev.
set -euo pipefail

SECONDS_TO_RUN=${1:?usage: fuzz-decode.sh SECONDS [BUILD_DIR]}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${2:-$(mktemp -d /tmp/kvindo-fuzz.XXXXXX)}
echo "fuzz build and findings: $BUILD"
CXX=${FUZZ_CXX:-clang++}
mkdir -p "$BUILD/scratch" "$BUILD/findings"

# shellcheck disable=SC2046
"$CXX" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer \
    -fno-sanitize-recover=undefined -I"$ROOT" \
    "$ROOT/fuzz/fuzz_decode.cpp" "$ROOT/sound/WavDecode.cpp" "$ROOT/sound/SoundLibraries.cpp" \
    $(pkg-config --cflags sndfile libpulse) -ldl -o "$BUILD/fuzz_decode"

# Inputs up to 64 KiB; a 1 GB RSS cap and a 128 MB single-allocation cap (the
# decoder itself never asks for more than 32 MiB at once) turn
# an unbounded allocation into a finding; 10 s for one input is a hang.
"$BUILD/fuzz_decode" \
    -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 \
    -rss_limit_mb=1024 -malloc_limit_mb=128 \
    -artifact_prefix="$BUILD/findings/" -print_final_stats=1 \
    "$BUILD/scratch" "$ROOT/fuzz/corpus"
