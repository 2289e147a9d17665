#!/usr/bin/env bash
# Runs the plain C host against a fresh SQLite database and folder store, and checks
# that it exits cleanly with the row written and the file stored.
#   c_host.sh PROGRAM WORKDIR [shutdown]
set -euo pipefail
program=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir/store"
sqlite3 "$dir/host.db" "CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255),
    Type varchar(20), RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)"
printf 'contract text\n' >"$dir/合同.txt"
"$program" "$dir/host.db" "$dir/store" "$dir/合同.txt" ${3:-}
[ "$(sqlite3 "$dir/host.db" "SELECT count(*) FROM Original_Text WHERE RecordId = 'C-HOST-1'")" = 1 ]
[ "$(find "$dir/store" -type f -name '*.TXT' | wc -l)" = 1 ]
