"""An FTP server on 127.0.0.1 that closes the control connection instead of sending
one reply, once: the reply starting with CODE to the command COMMAND (an empty
COMMAND never). With RATE (0 for none), every data connection moves at most RATE
bytes a second.

    dying_ftp.py ROOT USER PASSWORD COMMAND CODE [RATE]

Prints "port N" once it listens; later connections are served normally.

Hostile servers, by environment:
  WO_FTP_LOCAL_TIME=TZ    MLSD gives times in the zone TZ (e.g. UTC+8, eight hours
                          behind UTC), MDTM in UTC as it should
  WO_FTP_HOSTILE=1        every listing, MLSD or LIST, ends with entries whose names
                          climb out, are absolute, hold CR, LF or NUL, or are not UTF-8
  WO_FTP_COMMANDS=FILE    every command received is written to FILE, one a line
  WO_FTP_NO_MLSD=1        MLSD is unknown: folders are listed by LIST, without times
  WO_FTP_RENAME=MODE      "refuse-rnto" accepts RNFR but refuses every RNTO; "vanish"
                          deletes the file the first RNFR names before answering it
"""
import os
import socket
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

HOSTILE_NAMES = [b"../20261101000000000050.TIF", b"/etc/passwd", b"2026-11/../../etc",
                 b"20261101000000000051.TIF\rDELE x", b"20261101000000000052\x00.TIF",
                 b"20261101000000000053.TIF\nRNFR y", b"20261101000000000054\xff.TIF"]


class HostileFS(AbstractedFS):
    def format_mlsx(self, basedir, listing, perms, facts, ignore_err=True):
        yield from super().format_mlsx(basedir, listing, perms, facts, ignore_err)
        for name in HOSTILE_NAMES:
            kind = b"dir" if name.endswith(b"etc") else b"file"
            yield b"type=" + kind + b";size=5;modify=20200101000000; " + name + b"\r\n"

    def format_list(self, basedir, listing, ignore_err=True):
        yield from super().format_list(basedir, listing, ignore_err)
        for name in HOSTILE_NAMES:
            kind = b"d" if name.endswith(b"etc") else b"-"
            yield kind + b"rw-r--r--   1 owner    group           5 Jan 01  2020 " + name + b"\r\n"

root, user, password, command, code = sys.argv[1:6]
rate = int(sys.argv[6]) if len(sys.argv) > 6 else 0
mode = os.environ.get("WO_FTP_RENAME", "")


class DyingHandler(FTPHandler):
    died = False
    last_command = ""
    vanished = False

    def pre_process_command(self, line, cmd, arg):
        self.last_command = cmd
        if os.environ.get("WO_FTP_COMMANDS"):
            with open(os.environ["WO_FTP_COMMANDS"], "a", encoding="utf-8", errors="replace") as log:
                log.write(line.replace("\r", "\\r").replace("\n", "\\n") + "\n")
        return super().pre_process_command(line, cmd, arg)

    def ftp_MDTM(self, path):
        self.use_gmt_times = True
        try:
            return super().ftp_MDTM(path)
        finally:
            self.use_gmt_times = not os.environ.get("WO_FTP_LOCAL_TIME")

    def ftp_RNFR(self, path):
        if mode == "vanish" and not DyingHandler.vanished:
            DyingHandler.vanished = True
            os.remove(path)
        return super().ftp_RNFR(path)

    def ftp_RNTO(self, path):
        if mode == "refuse-rnto":
            self._rnfr = None
            self.respond("553 Renaming is not allowed here.")
            return None
        return super().ftp_RNTO(path)

    def respond(self, resp, *args, **kwargs):
        if command and not DyingHandler.died and self.last_command == command and resp.startswith(code):
            DyingHandler.died = True
            # Shutting the socket down works even inside pyftpdlib's own closing of a
            # data transfer, where closing the handler would not.
            self.socket.shutdown(socket.SHUT_RDWR)
            return
        super().respond(resp, *args, **kwargs)


class SmallBufferDTPHandler(ThrottledDTPHandler):
    """Throttled, with the kernel's buffer of the data socket kept small: the client
    then sees the server's pace instead of filling megabytes of socket buffer."""

    def __init__(self, sock, cmd_channel):
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 << 10)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 64 << 10)
        super().__init__(sock, cmd_channel)


authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
DyingHandler.authorizer = authorizer
if os.environ.get("WO_FTP_LOCAL_TIME"):
    os.environ["TZ"] = os.environ["WO_FTP_LOCAL_TIME"]
    time.tzset()
    DyingHandler.use_gmt_times = False
if os.environ.get("WO_FTP_HOSTILE"):
    DyingHandler.abstracted_fs = HostileFS
if os.environ.get("WO_FTP_NO_MLSD"):
    DyingHandler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "MLSD"}
if rate:
    SmallBufferDTPHandler.read_limit = rate
    SmallBufferDTPHandler.write_limit = rate
    DyingHandler.dtp_handler = SmallBufferDTPHandler
server = FTPServer(("127.0.0.1", 0), DyingHandler)
print("port", server.socket.getsockname()[1], flush=True)
server.serve_forever()
