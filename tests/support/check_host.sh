#!/usr/bin/env bash
# Runs an example host against a fresh SQLite database (it creates the table) and
# folder store, and checks that it exits cleanly with the row written and the file
# stored byte for byte.
#   check_host.sh PROGRAM WORKDIR [shutdown]
set -euo pipefail
program=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir/store"
printf 'contract text\n' >"$dir/合同.txt"
"$program" "$dir/host.db" "$dir/store" "$dir/合同.txt" ${3:-}
[ "$(sqlite3 "$dir/host.db" "SELECT count(*) FROM Original_Text WHERE RecordId = 'HOST-1'")" = 1 ]
stored=$(find "$dir/store" -type f -name '*.TXT')
[ "$(echo "$stored" | wc -l)" = 1 ] && cmp "$stored" "$dir/合同.txt"
