#!/bin/sh
# Redraws the pictures of the shipped skins into data/. Run from anywhere.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-skins}
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja
ninja -C "$build" make_skins
QT_QPA_PLATFORM=offscreen "$build/skins/make_skins" "$root/data"
ls -l "$root"/data/*_head.skn "$root"/data/*_frame1.skn "$root"/data/*_balk1.skn
