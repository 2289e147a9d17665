#!/usr/bin/env bash
# Starts or stops the FTP server of one test run on 127.0.0.1.
#   ftp_fixture.sh start DIR USER PASSWORD   serves DIR/root, writes DIR/port, logs to DIR/log
#   ftp_fixture.sh stop DIR                  stops the server and removes DIR
set -euo pipefail
cmd=$1 dir=$2
# Running and not yet a zombie waiting for its reaper.
alive() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }

case "$cmd" in
start)
    [ -f "$dir/pid" ] && "$0" stop "$dir" || true
    rm -rf "$dir" && mkdir -p "$dir/root"
    # The log exists before the server opens it, so polling it cannot fail.
    : >"$dir/log"
    # Port 0: the server takes a free port and names it in its log; nothing can
    # grab the port between choosing and binding it.
    /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p 0 -w -d "$dir/root" -u "$3" -P "$4" \
        </dev/null >>"$dir/log" 2>&1 &
    echo $! >"$dir/pid"
    port=
    for _ in $(seq 200); do
        port=$(sed -n 's/.*starting FTP server on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$dir/log")
        [ -n "$port" ] && break
        alive "$(cat "$dir/pid")" || break
        sleep 0.05
    done
    if [ -z "$port" ]; then
        cat "$dir/log" >&2
        echo "the FTP server did not start" >&2
        exit 1
    fi
    echo "$port" >"$dir/port"
    echo "FTP server on 127.0.0.1:$port"
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 100); do
            alive "$pid" || break
            sleep 0.05
        done
    fi
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start DIR USER PASSWORD | stop DIR" >&2; exit 2 ;;
esac
