#!/usr/bin/env bash
# Starts or stops a second FTP server of the test run, a strict one, on 127.0.0.1.
#   vsftpd_fixture.sh start DIR USER PASSWORD [tls]   writes DIR/port, logs to DIR/log
#   vsftpd_fixture.sh stop DIR                        stops the server and removes DIR
# With tls the server takes explicit TLS and demands it of USER for logins and data;
# its certificate, made here for 127.0.0.1, is DIR/ca.pem; DIR/other.pem is another
# certificate of that name.
# Anonymous writers keep the server's default rights: they may store and create
# folders in DIR/anon/incoming, but neither rename nor delete. USER is a local
# account, not jailed, whose login folder is DIR/home; DIR/abs is his to write.
# Needs root (local logins and the server's own privilege separation); otherwise
# DIR/skip says why and the tests that need the server skip.
set -euo pipefail
cmd=$1 dir=$2
alive() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }
free_ports() {
    python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])'
}

case "$cmd" in
start)
    [ -f "$dir/pid" ] && "$0" stop "$dir" || true
    rm -rf "$dir" && mkdir -p "$dir"
    if [ "$(id -u)" != 0 ] || [ ! -x /usr/sbin/vsftpd ] || ! getent passwd ftp >/dev/null; then
        echo "the strict FTP server needs root, /usr/sbin/vsftpd and the user ftp" >"$dir/skip"
        exit 0
    fi
    user=$3 password=$4 tls=${5:-}
    getent passwd "$user" >/dev/null || useradd --no-create-home --shell /bin/bash "$user"
    echo "$user" >"$dir/user"
    usermod --home "$dir/home" "$user"
    echo "$user:$password" | chpasswd
    mkdir -p "$dir/anon/incoming" "$dir/home" "$dir/abs" /var/run/vsftpd/empty
    chmod 755 "$dir" "$dir/anon"
    chown ftp "$dir/anon/incoming"
    chown "$user" "$dir/home" "$dir/abs"
    : >"$dir/log"
    # Free ports now; a server started right after binds them. Data connections
    # take a port of the hundred from the second on, trying another when one is busy.
    read -r port pasv < <(free_ports)
    cat >"$dir/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$dir/anon
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_umask=022
local_enable=YES
chroot_local_user=NO
local_umask=022
pasv_enable=YES
pasv_min_port=$pasv
pasv_max_port=$((pasv + 99 > 65535 ? 65535 : pasv + 99))
pasv_address=127.0.0.1
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pam_service_name=vsftpd
userlist_enable=NO
xferlog_enable=YES
vsftpd_log_file=$dir/log
dual_log_enable=NO
CONF
    if [ "$tls" = tls ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
            -addext subjectAltName=IP:127.0.0.1 -keyout "$dir/key.pem" -out "$dir/ca.pem" 2>>"$dir/log"
        chmod 600 "$dir/key.pem"
        # A certificate of the same name that does not vouch for the server.
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
            -addext subjectAltName=IP:127.0.0.1 -keyout /dev/null -out "$dir/other.pem" 2>>"$dir/log"
        cat >>"$dir/vsftpd.conf" <<CONF
ssl_enable=YES
rsa_cert_file=$dir/ca.pem
rsa_private_key_file=$dir/key.pem
allow_anon_ssl=NO
force_local_logins_ssl=YES
force_local_data_ssl=YES
ssl_ciphers=HIGH
CONF
        # vsftpd 3.0.3 loses uploads under TLS 1.3 (426 mid-stream, most of the time):
        # this server speaks TLS 1.2 at most, which it handles.
        cat >"$dir/openssl.cnf" <<CONF
openssl_conf = init
[init]
ssl_conf = ssl
[ssl]
system_default = tls
[tls]
MaxProtocol = TLSv1.2
CONF
        export OPENSSL_CONF=$dir/openssl.cnf
    fi
    for attempt in 1 2 3; do
        /usr/sbin/vsftpd "$dir/vsftpd.conf" </dev/null >>"$dir/log" 2>&1 &
        echo $! >"$dir/pid"
        for _ in $(seq 200); do
            python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1).close()" 2>/dev/null && break
            alive "$(cat "$dir/pid")" || break
            sleep 0.05
        done
        alive "$(cat "$dir/pid")" && break
        # A server that died at once, silently at times, under a loaded test run: most
        # likely another process took a port between choosing it and binding it.
        status=0
        wait "$(cat "$dir/pid")" || status=$?
        echo "attempt $attempt: the server ended at once with status $status" >>"$dir/log"
        read -r port pasv < <(free_ports)
        sed -i -e "s/^listen_port=.*/listen_port=$port/" -e "s/^pasv_min_port=.*/pasv_min_port=$pasv/" \
            -e "s/^pasv_max_port=.*/pasv_max_port=$((pasv + 99 > 65535 ? 65535 : pasv + 99))/" "$dir/vsftpd.conf"
    done
    if ! alive "$(cat "$dir/pid")"; then
        cat "$dir/log" >&2
        echo "the strict FTP server did not start" >&2
        exit 1
    fi
    echo "$port" >"$dir/port"
    echo "strict FTP server on 127.0.0.1:$port"
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
    [ -f "$dir/user" ] && userdel "$(cat "$dir/user")" 2>/dev/null || true
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start DIR USER PASSWORD [tls] | stop DIR" >&2; exit 2 ;;
esac
