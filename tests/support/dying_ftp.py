"""An FTP server on 127.0.0.1 that closes the control connection instead of sending
one reply, once: the reply starting with CODE to the command COMMAND (an empty
COMMAND never). With RATE, every data connection moves at most RATE bytes a second.

    dying_ftp.py ROOT USER PASSWORD COMMAND CODE [RATE]

Prints "port N" once it listens; later connections are served normally.
"""
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root, user, password, command, code = sys.argv[1:6]
rate = int(sys.argv[6]) if len(sys.argv) > 6 else 0


class DyingHandler(FTPHandler):
    died = False
    last_command = ""

    def pre_process_command(self, line, cmd, arg):
        self.last_command = cmd
        return super().pre_process_command(line, cmd, arg)

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
