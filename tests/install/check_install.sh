#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
# The installed game: files in place, the link leading the program to its own
# directory, desktop and AppStream files valid, icons at their sizes, and a
# .deb that names what the program needs, with its manual, licence and
# changelog, which lintian accepts without an error or a warning.
#   check_install.sh BUILD_DIR APP_ID
set -u
build=$(cd "$1" && pwd)
id=$2
# shellcheck source=scripts/test-env.sh
source "$(dirname "$0")/../../scripts/test-env.sh"
te_init install_tree
work=$TE_DIR

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    exit 1
}
program=$root/usr/lib/kvindo/kvindo

te_check "program installed in a directory of its own" test -x "$program"
te_check "games/kvindo is a relative link" sh -c "test -L '$root/usr/games/kvindo' && readlink '$root/usr/games/kvindo' | grep -qv '^/'"
te_check "the link resolves to the program" test "$(readlink -f "$root/usr/games/kvindo")" = "$(readlink -f "$program")"
for cue in Yes.wav Doh.wav; do
    te_check "$cue beside the program" test -s "$root/usr/lib/kvindo/$cue"
done
te_check "desktop file valid" desktop-file-validate "$root/usr/share/applications/$id.desktop"
te_check "desktop file: game categories" grep -qx 'Categories=Game;CardGame;' "$root/usr/share/applications/$id.desktop"
te_check "desktop file: Swedish name and comment" sh -c "grep -q '^Name\[sv\]=' '$root/usr/share/applications/$id.desktop' && grep -q '^Comment\[sv\]=' '$root/usr/share/applications/$id.desktop'"
te_check "metainfo valid" appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
te_check "metainfo: the licence" grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$root/usr/share/metainfo/$id.metainfo.xml"
te_check "manual page in section 6" sh -c "zcat '$root/usr/share/man/man6/kvindo.6.gz' | grep -q '^\.TH KVINDO 6'"
te_check "manual page reads without warnings" sh -c \
    "zcat '$root/usr/share/man/man6/kvindo.6.gz' | LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l - 2>&1 >/dev/null | (! grep .)"
te_check "machine-readable copyright file" grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/kvindo/copyright"
te_check "changelog" sh -c "zcat '$root/usr/share/doc/kvindo/changelog.gz' | head -n 1 | grep -q '^kvindo ('"
te_check "scalable icon" test -s "$root/usr/share/icons/hicolor/scalable/apps/$id.svg"
te_check "icon theme holds icons only" test -z "$(find "$root/usr/share/icons" -type f ! -name '*.png' ! -name '*.svg')"
for size in 16 22 24 32 48 64 96 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    # The width and height stand in the PNG header, big-endian, at bytes 16..23.
    be="0 0 $((size / 256)) $((size % 256))"
    te_check "icon ${size}x${size}" sh -c "test \"\$(od -An -tu1 -j16 -N8 '$png' | tr -s ' ' | sed 's/^ //')\" = '$be $be'"
done

# Started through the link, the program looks for its cues in its own
# directory (it checks the file on each sound request).
if command -v strace >/dev/null; then
    QT_QPA_PLATFORM=offscreen strace -f -e trace=%file -o "$work/strace" "$root/usr/games/kvindo" >/dev/null 2>&1 &
    traced=$!
    TE_PIDS+=("$traced")
    cues="\"\($root\|$(readlink -f "$root")\)/usr/lib/kvindo/\(Yes\|Doh\)\.wav\""
    TE_LOG=$work/strace te_until 10 "the installed game to look up its cues" grep -q "$cues" "$work/strace"
    # The game is the first process the trace shows.
    te_stop "$(awk 'NR == 1 { print $1 }' "$work/strace")"
    te_wait "$traced" 10 "strace to end with the game" "$work/strace"
    te_check "cues looked up beside the program, through the link" grep -q "$cues" "$work/strace"
fi

# The .deb, made from a copy of the build's packaging set-up.
(cd "$work" && te_run 60 "cpack" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb") \
    >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
deb=$(ls "$work"/deb/kvindo_*.deb 2>/dev/null | head -n 1)
te_check ".deb built" test -n "$deb"
if [ -n "$deb" ]; then
    depends=$(dpkg-deb -f "$deb" Depends)
    for package in libqt6widgets6 libqt6svg6 libqt6gui6 qt6-qpa-plugins libsndfile1 libpulse0 fonts-comic-neue; do
        te_check ".deb depends on $package" sh -c "echo '$depends' | tr ',' '\n' | grep -q '^ *$package\\b'"
    done
    te_check "lintian: no error and no warning" lintian --fail-on error,warning "$deb"
    te_check ".deb holds the program, the link and the cues" sh -c "dpkg-deb -c '$deb' | grep -q './usr/games/kvindo -> ../lib/kvindo/kvindo' && dpkg-deb -c '$deb' | grep -q './usr/lib/kvindo/Yes.wav' && dpkg-deb -c '$deb' | grep -q './usr/share/metainfo/$id.metainfo.xml'"
fi

te_checked
