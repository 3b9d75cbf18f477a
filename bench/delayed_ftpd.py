#!/usr/bin/python3
"""An FTP server far away: pyftpdlib on 127.0.0.1 whose every reply waits a
fixed delay before it goes out, each connection served by a thread of its own
(so that a delay on one connection holds no other).

usage: delayed_ftpd.py ROOT USER PASS DELAY_MS
Prints the port once it listens; runs until killed."""
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer

root, user, password, delay_ms = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])


class DelayedHandler(FTPHandler):
    def respond(self, resp, logfun=FTPHandler.respond.__defaults__[0]):
        time.sleep(delay_ms / 1000.0)
        return super().respond(resp, logfun)


authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
DelayedHandler.authorizer = authorizer
DelayedHandler.passive_ports = range(50000, 52000)
DelayedHandler.banner = "delayed ftpd ready"
server = ThreadedFTPServer(("127.0.0.1", 0), DelayedHandler)
server.max_cons = 256
server.max_cons_per_ip = 64
print(server.socket.getsockname()[1], flush=True)
import logging
logging.basicConfig(level=logging.ERROR)
server.serve_forever()
