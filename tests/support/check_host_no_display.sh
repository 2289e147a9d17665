#!/usr/bin/env bash
# Runs an example host where no display can be found: it must end by itself (no
# abort) with the component's error 31042 for the call that could not show its
# dialogs, and store nothing.
#   check_host_no_display.sh PROGRAM WORKDIR
set -uo pipefail
program=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir/store"
printf 'contract text\n' >"$dir/合同.txt"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR \
    "$program" "$dir/host.db" "$dir/store" "$dir/合同.txt" 2>"$dir/stderr"
status=$?
cat "$dir/stderr"
[ "$status" = 1 ] || { echo "exit status $status, not 1"; exit 1; }
grep -q '^WoClsMain_AddOriginalFile failed: 31042 ' "$dir/stderr"
[ -z "$(find "$dir/store" -type f)" ]
