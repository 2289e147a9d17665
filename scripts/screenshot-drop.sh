#!/usr/bin/env bash
# Drops three files and a folder on the demonstration host's list window, as a file
# manager would, and keeps the pictures: docs/screenshots/drop-*.png, or the folder given.
# Needs no display: the windows are drawn off screen.
#   scripts/screenshot-drop.sh [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
build=${BUILD_DIR:-build}
[ -x "$build/bin/shot_drop" ] || { scripts/build.sh >/dev/null && cmake --build "$build" --target shot_drop; }
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen LANG=zh_CN.UTF-8 "$build/bin/shot_drop" "$out"
echo "wrote $out/drop-folder-refused.png and $out/drop-result.png"
