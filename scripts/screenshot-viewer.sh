#!/usr/bin/env bash
# Takes a screenshot of the document viewer under a virtual X server: a three-page
# scanned contract on its second page, with the record's other documents listed.
#   scripts/screenshot-viewer.sh [--scale N] [--strip | --hits] [output.png]
# (default docs/screenshots/viewer.png; with --scale 2 the windows are drawn at
# QT_SCALE_FACTOR=2 on a screen of twice the pixels, default docs/screenshots/viewer-scale2.png;
# with --strip the page thumbnails are shown too, default docs/screenshots/viewer-thumbnails.png;
# with --hits the pages are recognised and the hits of a term marked, default docs/screenshots/viewer-hits.png)
set -euo pipefail
cd "$(dirname "$0")/.."
scale=1
if [ "${1:-}" = --scale ]; then
    scale=$2
    shift 2
fi
mode=()
if [ "${1:-}" = --strip ] || [ "${1:-}" = --hits ]; then
    mode=("$1")
    shift
fi
default=docs/screenshots/viewer.png
[ "$scale" = 1 ] || default=docs/screenshots/viewer-scale$scale.png
[ "${mode[*]}" != --strip ] || default=docs/screenshots/viewer-thumbnails.png
[ "${mode[*]}" != --hits ] || default=docs/screenshots/viewer-hits.png
out=${1:-$default}
build=${BUILD_DIR:-build}
[ -x "$build/bin/shot_viewer" ] || { scripts/build.sh >/dev/null && cmake --build "$build" --target shot_viewer wendra-ocr; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LANG=zh_CN.UTF-8 QT_SCALE_FACTOR=$scale
xvfb-run -a -s "-screen 0 $((1024 * scale))x$((640 * scale))x24" "$build/bin/shot_viewer" "${mode[@]}" "$work/shot.png"
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
