#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# Builds the art preview tool (scripts/art/preview.cpp) into BUILD_DIR
# (default /tmp/kvindo-art).  Needs g++ and the Qt 6 Gui and Svg development
# packages.  Then, from the top of the work tree:
#   QT_QPA_PLATFORM=offscreen /tmp/kvindo-art/preview /tmp/art-preview --check
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-/tmp/kvindo-art}
mkdir -p "$build"
g++ -std=c++20 -O2 -fPIC -Wall -Wextra \
    "$here/preview.cpp" -o "$build/preview" \
    $(pkg-config --cflags --libs Qt6Svg Qt6Gui)
echo "built $build/preview"
