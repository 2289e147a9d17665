#!/usr/bin/env bash
# Takes a screenshot of the list window with its find bar open under a virtual X server:
# a record whose scans, PDF and text files were read, filtered to those naming a contract.
#   scripts/screenshot-find.sh [output.png]     (default docs/screenshots/list-find.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/list-find.png}
build=${BUILD_DIR:-build}
[ -x "$build/bin/shot_find" ] || { scripts/build.sh >/dev/null && cmake --build "$build" --target shot_find; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LANG=zh_CN.UTF-8
xvfb-run -a -s "-screen 0 1024x640x24" "$build/bin/shot_find" "$work/shot.png"
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
