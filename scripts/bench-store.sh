#!/usr/bin/env bash
# Times deleting documents from a table of 1,000,000 rows and loading a record of
# 10,000 documents into the list window, against the sqlite3 and psql clients, on
# SQLite and on a PostgreSQL server of its own. Builds bench_store into build/ (or
# $BUILD_DIR) first. Takes a minute or two; prints times, ratios and peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" --target bench_store
bench=$(realpath "$BUILD_DIR")/bin/bench_store

work=$(mktemp -d)
chmod 755 "$work"
trap 'tests/support/pg_fixture.sh stop "$work/pg"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

"$bench" QSQLITE "Database=$work/bench.db" sqlite3 "$work/bench.db"
rm -f "$work/bench.db"

tests/support/pg_fixture.sh start "$work/pg" >/dev/null
port=$(cat "$work/pg/port")
psql=(psql -X -q -At -h 127.0.0.1 -p "$port" -U postgres -d test -c)
"$bench" QPSQL "Host=127.0.0.1;Port=$port;Database=test;User=postgres" "${psql[@]}"
