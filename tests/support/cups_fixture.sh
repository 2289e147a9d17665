#!/usr/bin/env bash
# Starts or stops a private print server of one test run, leaving the machine's own
# alone: it listens only on DIR/cups.sock and has one default queue PDF whose
# printer writes each job to DIR/out/*-job_<id>.pdf.
#   cups_fixture.sh start DIR   (needs root: the PDF printer's backend runs as root)
#   cups_fixture.sh stop DIR
set -euo pipefail
cmd=$1 dir=$2
# The PDF backend reads /etc/cups/cups-pdf-<instance>.conf for the URI cups-pdf:/<instance>:
# one instance per DIR, so that runs in several build folders at once keep their jobs apart.
instance=wendra-test-$(printf %s "$dir" | md5sum | cut -c1-12)
instance_conf=/etc/cups/cups-pdf-$instance.conf
alive() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }

case "$cmd" in
start)
    [ -f "$dir/cupsd.pid" ] && "$0" stop "$dir" || true
    rm -rf "$dir" && mkdir -p "$dir"/{spool/tmp,cache,state,out,pdfspool,ppd}
    # Filters run as lp and read the spool.
    chmod 0755 "$dir" "$dir/out"
    chmod 1777 "$dir/spool/tmp" "$dir/pdfspool"
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/error_log
AccessLog $dir/access_log
PageLog $dir/page_log
CONF
    cat >"$dir/cupsd.conf" <<CONF
LogLevel warn
Listen $dir/cups.sock
Browsing No
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$instance_conf" <<CONF
Out $dir/out
Spool $dir/pdfspool
AnonDirName $dir/out
UserPrefix
Grp root
CONF
    setsid /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >"$dir/cupsd.log" 2>&1 &
    echo $! >"$dir/cupsd.pid"
    export CUPS_SERVER=$dir/cups.sock
    for _ in $(seq 200); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        alive "$(cat "$dir/cupsd.pid")" || break
        sleep 0.05
    done
    if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
        cat "$dir/cupsd.log" "$dir/error_log" >&2 2>/dev/null || true
        echo "the print server did not start" >&2
        exit 1
    fi
    lpadmin -p PDF -E -v "cups-pdf:/$instance" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
    # This renderer keeps the text of PDFs extractable on their way through PostScript.
    lpadmin -p PDF -o pdftops-renderer-default=pdftocairo
    lpadmin -d PDF
    echo "print server on $CUPS_SERVER, default queue PDF"
    ;;
stop)
    if [ -f "$dir/cupsd.pid" ]; then
        pid=$(cat "$dir/cupsd.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 100); do
            alive "$pid" || break
            sleep 0.05
        done
    fi
    rm -f "$instance_conf"
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start DIR | stop DIR" >&2; exit 2 ;;
esac
