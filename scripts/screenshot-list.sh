#!/usr/bin/env bash
# Takes a screenshot of the document list window under a virtual X server:
# a record with a few documents, shown by the demonstration host.
#   scripts/screenshot-list.sh [output.png]    (default docs/screenshots/list-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots/list-window.png}
build=${BUILD_DIR:-build}
[ -x "$build/bin/demohost" ] || scripts/build.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work/shot.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), Type varchar(20),"
           " RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)")
rows = [("购销合同（扫描件）.TIF", ".TIF"), ("增值税发票.JPG", ".JPG"), ("验收报告.pdf", ".PDF"),
        ("付款申请单.docx", ".DOCX"), ("会议纪要.txt", ".TXT")]
for i, (name, kind) in enumerate(rows, 1):
    db.execute("INSERT INTO Original_Text VALUES (?,?,?,?,?,?,?)",
               ("2026120809300%d12345%d" % (i, i), name, kind, "DEMO-0001", i * 10, "2026-12", 1000 * i))
db.commit()
PY

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
