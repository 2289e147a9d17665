#!/usr/bin/env bash
# Search figures of the page texts: on SQLite at 5,000 documents (50,000 pages) and on
# a PostgreSQL server of its own at 10,000 documents (100,000 pages). Builds bench_text
# into build/ (or $BUILD_DIR) first. Takes a few minutes, most of it filling the tables.
#   scripts/bench-text.sh [sqlite|postgres]   one engine only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target bench_text
bench=$(realpath "$BUILD_DIR")/bin/bench_text
which=${1:-all}

work=$(mktemp -d)
chmod 755 "$work"
trap 'tests/support/pg_fixture.sh stop "$work/pg"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
uptime

if [ "$which" != postgres ]; then
    "$bench" search 5000
fi
if [ "$which" != sqlite ]; then
    tests/support/pg_fixture.sh start "$work/pg" >/dev/null
    "$bench" search-on QPSQL "Host=127.0.0.1;Port=$(cat "$work/pg/port");Database=test;User=postgres" 10000
fi
uptime
