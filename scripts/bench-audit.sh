#!/usr/bin/env bash
# Times wendra-audit on 100,000 rows in folder mode (SQLite, 25 month folders, a
# few planted faults), against listing the same files with find and reading the
# same rows with sqlite3. Builds wendra-audit into build/ (or $BUILD_DIR) first.
# Prints the median of three runs each (wall and CPU time), and the audit's peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
ROWS=${ROWS:-100000}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" --target wendra-audit
audit=$(realpath "$BUILD_DIR")/bin/wendra-audit

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Making $ROWS rows and files in $work ..."
/usr/bin/python3 - "$work" "$ROWS" resources/sql/original_text.sqlite.sql <<'EOF'
import os, sqlite3, sys
work, rows = sys.argv[1], int(sys.argv[2])
db = sqlite3.connect(os.path.join(work, "bench.db"))
with open(sys.argv[3]) as table:
    db.executescript(table.read())
batch = []
for n in range(rows):
    month = "20%02d-%02d" % (24 + n % 25 // 12, n % 25 % 12 + 1)
    ident = "2025010100000%07d" % n
    content = b"page %d " % n * (1 + n % 7)
    folder = os.path.join(work, "store", month)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ident + ".TIF"), "wb") as f:
        f.write(content)
    # Records of 10 documents each.
    batch.append((ident, "doc %d.tif" % n, ".TIF", "R%06d" % (n // 10), n % 10 + 1, month, len(content)))
db.executemany("INSERT INTO Original_Text VALUES (?,?,?,?,?,?,?)", batch)
# One fault of each kind a file system can show.
db.execute("UPDATE Original_Text SET Size = Size + 1 WHERE ID = '20250101000000000007'")
db.execute("UPDATE Original_Text SET FileOrder = 1 WHERE ID = '20250101000000000012'")
db.commit()
os.remove(os.path.join(work, "store", "2024-01", "20250101000000000000.TIF"))
open(os.path.join(work, "store", "2024-02", "20250101999999999999.TIF"), "wb").write(b"stray")
open(os.path.join(work, "store", "2024-03", ".0123456789abcdef.tmp"), "wb").write(b"half")
EOF

# "wall cpu" of one run (cpu = user + system); median() keeps the run of median wall time.
timed() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
    awk 'END { printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}
median() { sort -n | sed -n 2p; }

# Warm the page cache once, as a second audit of a store finds it.
"$audit" --database "$work/bench.db" --store "$work/store" >"$work/report.txt" || true
read -r aw ac < <(for _ in 1 2 3; do timed "$audit" --database "$work/bench.db" --store "$work/store" --json; done | median)
read -r fw fc < <(for _ in 1 2 3; do timed find "$work/store" -type f -printf '%s %p\n'; done | median)
read -r sw sc < <(for _ in 1 2 3; do timed sqlite3 "$work/bench.db" 'select * from Original_Text'; done | median)
peak=$( { /usr/bin/time -f %M "$audit" --database "$work/bench.db" --store "$work/store" >/dev/null || true; } 2>&1 | tail -1)

echo
cat "$work/report.txt"
echo
echo "Median of three runs; wall times wander on a busy machine, CPU times (user + system) less."
printf '%-32s %6s %6s\n' "" "wall s" "CPU s"
printf '%-32s %6.2f %6.2f   peak %d MB\n' "wendra-audit, $ROWS rows" "$aw" "$ac" $((peak / 1024))
printf '%-32s %6.2f %6.2f\n' "find with sizes, same files" "$fw" "$fc"
printf '%-32s %6.2f %6.2f\n' "sqlite3, same rows" "$sw" "$sc"
printf '%-32s %6.2f %6.2f\n' "audit / (find + sqlite3)" "$(awk -v a="$aw" -v f="$fw" -v s="$sw" 'BEGIN { print a / (f + s) }')" \
    "$(awk -v a="$ac" -v f="$fc" -v s="$sc" 'BEGIN { print a / (f + s) }')"
