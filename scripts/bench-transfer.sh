#!/usr/bin/env bash
# Times adding a 1 GiB file in folder mode against cp + sync -d, and adding a 256 MiB
# file over FTP and the preview's download of it against curl -T / curl -o, all on a
# vsftpd server of its own on 127.0.0.1. Builds bench_transfer into build/ (or
# $BUILD_DIR) first; needs root for the server's local account. Prints each run, then
# medians, rates and ratios. RUNS (default 5) sets the runs per pair; FOLDER_MIB and
# FTP_MIB the file sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" --target bench_transfer
bench=$(realpath "$BUILD_DIR")/bin/bench_transfer

# On the disk the build lies on, not a memory file system: flushes must reach a disk.
work=$(mktemp -d -p "$(realpath "$BUILD_DIR")" bench-transfer.XXXXXX)
server=$work/ftp
trap 'tests/support/vsftpd_fixture.sh stop "$server"; rm -rf "$work"' EXIT
chmod 755 "$work"
user=wo-bench-$$ password=Bx-$RANDOM-$RANDOM
tests/support/vsftpd_fixture.sh start "$server" "$user" "$password" >/dev/null
[ -f "$server/skip" ] && { cat "$server/skip" >&2; exit 1; }
mkdir -p "$work/store" "$server/abs/store" "$work/cache"
chown "$user" "$server/abs/store"
sqlite3 "$work/host.db" <resources/sql/original_text.sqlite.sql
head -c "$(( ${FOLDER_MIB:-1024} << 20 ))" /dev/urandom >"$work/folder.bin"
head -c "$(( ${FTP_MIB:-256} << 20 ))" /dev/urandom >"$work/ftp.bin"
sync -f "$work"

export QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME=$work/cache
"$bench" "$work" "$(cat "$server/port")" "$user" "$password" "$server/abs/store" "${RUNS:-5}"
