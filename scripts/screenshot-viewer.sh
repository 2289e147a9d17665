#!/usr/bin/env bash
# Takes a screenshot of the document viewer under a virtual X server: a three-page
# scanned contract on its second page, with the record's other documents listed.
#   scripts/screenshot-viewer.sh [output.png]    (default docs/screenshots/viewer.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/viewer.png}
build=${BUILD_DIR:-build}
[ -x "$build/bin/shot_viewer" ] || { scripts/build.sh >/dev/null && cmake --build "$build" --target shot_viewer; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LANG=zh_CN.UTF-8
xvfb-run -a -s "-screen 0 1024x640x24" "$build/bin/shot_viewer" "$work/shot.png"
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
