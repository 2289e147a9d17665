#!/usr/bin/env bash
# Takes a screenshot of the document list window under a virtual X server: the
# demonstration host on a fresh database, its record filled with the sample documents.
#   scripts/screenshot-list.sh [output.png]    (default docs/screenshots/list-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/list-window.png}
build=${BUILD_DIR:-build}
[ -x "$build/bin/demohost" ] || scripts/build.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LANG=zh_CN.UTF-8
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    "$1" --database "$2/shot.db" --store "$2/store" &
    host=$!
    for _ in $(seq 50); do sleep 0.2; xwd -root -silent | /usr/bin/convert xwd:- -trim +repage "$2/shot.png" 2>/dev/null && [ "$(/usr/bin/identify -format %w "$2/shot.png")" -gt 100 ] && break; done
    sleep 1
    xwd -root -silent | /usr/bin/convert xwd:- -trim +repage "$2/shot.png"
    kill $host' _ "$build/bin/demohost" "$work"
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
