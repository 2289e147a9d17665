#!/usr/bin/env bash
# Walks through the component as a new user would (tests/e2e/walk.cpp) and keeps a
# picture of each window it meets: docs/screenshots/walk-*.png, or the folder given.
# Needs no display: the windows are drawn off screen.
#   scripts/screenshot-walk.sh [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
build=${BUILD_DIR:-build}
[ -x "$build/bin/walk" ] || { scripts/build.sh >/dev/null && cmake --build "$build" --target walk; }
mkdir -p "$out"
rm -f "$out"/walk-*.png
QT_QPA_PLATFORM=offscreen LANG=zh_CN.UTF-8 "$build/bin/walk" "$out"
echo "wrote $(ls "$out"/walk-*.png | wc -l) pictures to $out"
