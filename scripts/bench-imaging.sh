#!/usr/bin/env bash
# bench_imaging (first G4 page against libtiff, a large JPEG's thumbnail, a large grey
# page) with the machine's load beside it. As root it runs under the real-time
# scheduler (chrt -f), so that builds and tests running beside it do not take its
# cores between the runs it compares. Arguments go to bench_imaging (g4, jpeg,
# thumbnails, large). Builds it into build/ (or $BUILD_DIR) first; with BENCH=path,
# that bench_imaging runs instead.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [[ -z ${BENCH:-} ]]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
    cmake --build "$BUILD_DIR" --target bench_imaging >/dev/null
fi
bench=${BENCH:-$(realpath "$BUILD_DIR")/bin/bench_imaging}
export QT_QPA_PLATFORM=offscreen
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ $(id -u) == 0 ]] && command -v chrt >/dev/null; then
    echo "real-time scheduling (chrt -f 10)"
    chrt -f 10 "$bench" "$@"
else
    "$bench" "$@"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
