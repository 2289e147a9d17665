#!/usr/bin/env bash
# Starts or stops the MariaDB server of one test run on 127.0.0.1.
#   mariadb_fixture.sh start DIR   installs a data folder + starts the server, writes DIR/port,
#                                  creates database "test" (utf8mb4) and user wo/wo, who may
#                                  create a database of his own per test
#   mariadb_fixture.sh stop DIR    stops the server and removes DIR
set -euo pipefail
cmd=$1 dir=$2
as_my() { if [ "$(id -u)" = 0 ]; then runuser -u mysql -- "$@"; else "$@"; fi; }
client() { mariadb --no-defaults -S "$dir/sock" -u root "$@"; }

case "$cmd" in
start)
    [ -f "$dir/port" ] && "$0" stop "$dir" || true
    rm -rf "$dir" && mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown mysql:mysql "$dir"
    chmod 700 "$dir"
    port=$(/usr/bin/python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])')
    as_my mariadb-install-db --no-defaults --datadir="$dir/data" --auth-root-authentication-method=normal \
        --skip-test-db >"$dir/install.log" 2>&1
    # No binary log, no fsync: a test server whose data lives for one run.
    as_my mariadbd --no-defaults --datadir="$dir/data" --socket="$dir/sock" --port="$port" \
        --bind-address=127.0.0.1 --pid-file="$dir/pid" --log-error="$dir/err.log" --skip-log-bin \
        --skip-name-resolve --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 \
        --default-storage-engine=InnoDB --character-set-server=utf8mb4 \
        </dev/null >/dev/null 2>&1 &
    for _ in $(seq 150); do
        client -e 'select 1' >/dev/null 2>&1 && break
        kill -0 $! 2>/dev/null || { cat "$dir/err.log" >&2; exit 1; }
        sleep 0.2
    done
    client -e "CREATE DATABASE test CHARACTER SET utf8mb4;
        CREATE USER 'wo'@'127.0.0.1' IDENTIFIED BY 'wo';
        GRANT ALL ON *.* TO 'wo'@'127.0.0.1'"
    echo "$port" >"$dir/port"
    echo "MariaDB on 127.0.0.1:$port"
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    fi
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
