"""An FTP server on 127.0.0.1 that closes the control connection instead of sending
one reply, once: the reply starting with CODE to the command COMMAND (an empty
COMMAND never). With RATE (0 for none), every data connection moves at most RATE
bytes a second. MODE changes renaming: "refuse-rnto" accepts RNFR but refuses every
RNTO; "vanish" deletes the file the first RNFR names before answering it. With LOG,
every command received is appended there, one a line.

    dying_ftp.py ROOT USER PASSWORD COMMAND CODE [RATE [MODE [LOG]]]

Prints "port N" once it listens; later connections are served normally.
"""
import os
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root, user, password, command, code = sys.argv[1:6]
rate = int(sys.argv[6]) if len(sys.argv) > 6 else 0
mode = sys.argv[7] if len(sys.argv) > 7 else ""
log = sys.argv[8] if len(sys.argv) > 8 else ""


class DyingHandler(FTPHandler):
    died = False
    last_command = ""

    vanished = False

    def pre_process_command(self, line, cmd, arg):
        self.last_command = cmd
        if log:
            with open(log, "a") as out:
                out.write(line if cmd != "PASS" else "PASS ***")
                out.write("\n")
        return super().pre_process_command(line, cmd, arg)

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
if rate:
    SmallBufferDTPHandler.read_limit = rate
    SmallBufferDTPHandler.write_limit = rate
    DyingHandler.dtp_handler = SmallBufferDTPHandler
server = FTPServer(("127.0.0.1", 0), DyingHandler)
print("port", server.socket.getsockname()[1], flush=True)
server.serve_forever()
