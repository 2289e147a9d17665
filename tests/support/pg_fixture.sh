#!/usr/bin/env bash
# Starts or stops the PostgreSQL server of one test run on 127.0.0.1.
#   pg_fixture.sh start DIR   initdb + start, writes DIR/port and creates database "test"
#   pg_fixture.sh stop DIR    stops the server and removes DIR
set -euo pipefail
cmd=$1 dir=$2
BIN=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
as_pg() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

case "$cmd" in
start)
    [ -f "$dir/port" ] && "$0" stop "$dir" || true
    rm -rf "$dir" && mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres:postgres "$dir"
    chmod 700 "$dir"
    port=$(/usr/bin/python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])')
    as_pg "$BIN/initdb" -D "$dir/db" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    as_pg "$BIN/pg_ctl" -D "$dir/db" -l "$dir/log" -w -t 30 \
        -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories=$dir -c fsync=off" start >/dev/null
    as_pg "$BIN/psql" -q -h 127.0.0.1 -p "$port" -U postgres -c "CREATE DATABASE test" >/dev/null
    echo "$port" >"$dir/port"
    echo "PostgreSQL on 127.0.0.1:$port"
    ;;
stop)
    [ -d "$dir/db" ] && as_pg "$BIN/pg_ctl" -D "$dir/db" -m fast -w stop >/dev/null || true
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
