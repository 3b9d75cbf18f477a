#!/usr/bin/python3
"""A pyftpdlib server with FTP over TLS: one user "user"/"secret" over ROOT,
every command logged to COMMAND_LOG, TLS required for the login and for every
data connection. Makes its own self-signed certificate for 127.0.0.1 and
localhost in STATE: tls-cert.pem (with tls-key.pem) and tls-fingerprint (its
SHA-256 fingerprint, "AA:BB:..."). Logs "DATA-TLS resumed" or "DATA-TLS new"
for each data connection's handshake. The command XSTL is never answered (a
stalled reply).

usage: tls_ftpd.py ROOT COMMAND_LOG STATE HOST MODE

MODE is "explicit" (AUTH TLS after a plain greeting) or "implicit" (TLS from
the first byte). Prints the port once it listens.
"""
import os
import subprocess
import sys

from OpenSSL import SSL
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

root, command_log, state, host, mode = sys.argv[1:6]
certificate = os.path.join(state, "tls-cert.pem")
key = os.path.join(state, "tls-key.pem")
subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                "-out", certificate, "-days", "30", "-subj", "/CN=127.0.0.1/O=VelCopy tests",
                "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
fingerprint = subprocess.run(["openssl", "x509", "-in", certificate, "-noout", "-fingerprint",
                              "-sha256"], check=True, capture_output=True, text=True).stdout
with open(os.path.join(state, "tls-fingerprint"), "w") as out:
    out.write(fingerprint.strip().partition("=")[2] + "\n")


def append(path, line):
    with open(path, "a", encoding="utf-8", errors="surrogateescape") as log:
        log.write(line + "\n")


class DataHandler(TLS_DTPHandler):
    def handle_ssl_established(self):
        resumed = SSL._lib.SSL_session_reused(self.socket._ssl)
        append(command_log, "DATA-TLS " + ("resumed" if resumed else "new"))
        super().handle_ssl_established()


class Handler(TLS_FTPHandler):
    tls_control_required = True
    tls_data_required = True
    use_sendfile = False
    dtp_handler = DataHandler

    proto_cmds = dict(TLS_FTPHandler.proto_cmds,
                      XSTL=dict(perm=None, auth=True, arg=False, help="Syntax: XSTL (stalls)."))

    def pre_process_command(self, line, cmd, arg):
        append(command_log, line)
        return super().pre_process_command(line, cmd, arg)

    def ftp_XSTL(self, line):
        pass


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
