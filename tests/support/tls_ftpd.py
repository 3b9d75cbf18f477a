#!/usr/bin/python3
"""A pyftpdlib server with FTP over TLS, for the Windows tests (run by the test
broker): one user "user"/"secret" over ROOT, every command logged to
COMMAND_LOG, TLS required for the login and for every data connection.

usage: tls_ftpd.py ROOT COMMAND_LOG CERTIFICATE KEY HOST MODE

MODE is "explicit" (AUTH TLS after a plain greeting) or "implicit" (TLS from
the first byte). Prints the port once it listens.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import TLS_FTPHandler
from pyftpdlib.servers import FTPServer

root, command_log, certificate, key, host, mode = sys.argv[1:7]


def append(path, line):
    with open(path, "a", encoding="utf-8", errors="surrogateescape") as log:
        log.write(line + "\n")


class Handler(TLS_FTPHandler):
    tls_control_required = True
    tls_data_required = True
    use_sendfile = False

    def pre_process_command(self, line, cmd, arg):
        append(command_log, line)
        return super().pre_process_command(line, cmd, arg)


class ImplicitHandler(Handler):
    """The handshake before the greeting."""

    def handle(self):
        self.secure_connection(self.ssl_context)

    def handle_ssl_established(self):
        Handler.handle(self)


chosen = ImplicitHandler if mode == "implicit" else Handler
chosen.certfile = certificate
chosen.keyfile = key
authorizer = DummyAuthorizer()
authorizer.add_user("user", "secret", root, perm="elradfmwMT")
chosen.authorizer = authorizer
chosen.auth_failed_timeout = 0
server = FTPServer((host, 0), chosen)
print(server.address[1], flush=True)
server.serve_forever()
