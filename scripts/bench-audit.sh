#!/usr/bin/env bash
# Times wendra-audit on 100,000 rows in folder mode (SQLite, 25 month folders, a
# few planted faults), against listing the same files with find and reading the
# same rows with sqlite3. Builds wendra-audit into build/ (or $BUILD_DIR) first.
# Prints the median of three runs each, and the audit's peak memory.
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
/usr/bin/python3 - "$work" "$ROWS" <<'EOF'
import os, sqlite3, sys
work, rows = sys.argv[1], int(sys.argv[2])
db = sqlite3.connect(os.path.join(work, "bench.db"))
db.execute("CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), Type varchar(20), "
           "RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)")
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

median() { sort -n | sed -n 2p; }
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

# Warm the page cache once, as a second audit of a store finds it.
"$audit" --database "$work/bench.db" --store "$work/store" >"$work/report.txt" || true
a=$(for _ in 1 2 3; do seconds "$audit" --database "$work/bench.db" --store "$work/store" --json; done | median)
f=$(for _ in 1 2 3; do seconds find "$work/store" -type f -printf '%s %p\n'; done | median)
s=$(for _ in 1 2 3; do seconds sqlite3 "$work/bench.db" 'select * from Original_Text'; done | median)
peak=$( { /usr/bin/time -f %M "$audit" --database "$work/bench.db" --store "$work/store" >/dev/null || true; } 2>&1 | tail -1)

echo
tail -n +1 "$work/report.txt"
echo
printf 'wendra-audit, %d rows:        %6.2f s, peak %d MB\n' "$ROWS" "$a" $((peak / 1024))
printf 'find with sizes, same files:  %6.2f s\n' "$f"
printf 'sqlite3, same rows:           %6.2f s\n' "$s"
printf 'audit / (find + sqlite3):     %6.2f\n' "$(awk -v a="$a" -v f="$f" -v s="$s" 'BEGIN { print a / (f + s) }')"
