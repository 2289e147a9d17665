#!/usr/bin/env bash
# Backfill with wendra-index on a PostgreSQL server of its own: a store of N one-page
# scanned contracts (default 20, about a minute for one process here) read by one
# process, then, from the start again, by two at once. Prints both times, their ratio
# and the load, and checks in the database that every document was claimed and read
# exactly once (one state row each, done, one claim) and which process read how many.
# Builds into build/ (or $BUILD_DIR) first.
#   scripts/bench-index.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target wendra-index wendra-ocr bench_text
bin=$(realpath "$BUILD_DIR")/bin
documents=${1:-20}

work=$(mktemp -d)
chmod 755 "$work"
trap 'tests/support/pg_fixture.sh stop "$work/pg"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
tests/support/pg_fixture.sh start "$work/pg" >/dev/null
port=$(cat "$work/pg/port")
connection="Host=127.0.0.1;Port=$port;Database=test;User=postgres"
psql=(psql -X -q -At -h 127.0.0.1 -p "$port" -U postgres -d test)
"${psql[@]}" -f resources/sql/original_text.postgresql.sql

mkdir -p "$work/store/2026-12"
"$bin/bench_text" page "$work/page.png"
for i in $(seq -w 1 "$documents"); do
    cp "$work/page.png" "$work/store/2026-12/DOC$i.png"
    echo "INSERT INTO Original_Text (ID, Original_Name, Type, RecordId, FileOrder, FilePath)" \
        "VALUES ('DOC$i', '合同$i.png', '.png', 'R$((10#$i % 4))', $((10#$i)), '2026-12');"
done | "${psql[@]}"

# Runs N processes at once; prints the seconds until the last one ended.
backfill() {
    local started ended pids=() status=0
    started=$(date +%s.%N)
    for n in $(seq 1 "$1"); do
        "$bin/wendra-index" --postgres "$connection" --store "$work/store" --json >"$work/run$n.json" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=$?; done
    ended=$(date +%s.%N)
    [ "$status" = 0 ] || { echo "wendra-index ended with status $status" >&2; exit 1; }
    awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.1f", b - a }'
}

# Every document: one state row, done, claimed once, and its text stored.
check() {
    "${psql[@]}" -F ' ' -c "SELECT COUNT(*), SUM(CASE WHEN s.State = 'done' AND s.Tries = 1 THEN 1 ELSE 0 END),
        (SELECT COUNT(DISTINCT ID) FROM Original_PageText) FROM Original_Text o
        LEFT JOIN Original_TextState s ON s.ID = o.ID" | {
        read -r all once stored
        echo "  $all documents: $once read once (done, one claim), $stored with text"
        [ "$all" = "$once" ] && [ "$all" = "$stored" ] || { echo "  FAILED: a document was not read exactly once" >&2; exit 1; }
    }
    "${psql[@]}" -F ' ' -c "SELECT Owner, COUNT(*) FROM Original_TextState GROUP BY Owner ORDER BY Owner" |
        sed 's/^/  process /'
}

echo "load before: $(uptime)"
one=$(backfill 1)
echo "one process: $one s  (load $(cut -d' ' -f1-3 /proc/loadavg))"
check
"${psql[@]}" -c "DELETE FROM Original_PageText; DELETE FROM Original_TextState"
two=$(backfill 2)
echo "two processes: $two s  (load $(cut -d' ' -f1-3 /proc/loadavg))"
check
echo "ratio two / one: $(awk -v a="$one" -v b="$two" 'BEGIN { printf "%.2f", b / a }')"
