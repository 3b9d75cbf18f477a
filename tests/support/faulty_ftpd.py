#!/usr/bin/python3
"""A pyftpdlib FTP server whose faults a test arms while it runs.

usage: faulty_ftpd.py ROOT COMMAND_LOG FAULT_FILE FIRED_LOG [HOST]

One user, "user" with password "secret", over ROOT. Prints its port once it
listens. Every command line received is appended to COMMAND_LOG (PASS included),
every fault that fires to FIRED_LOG as "<kind>\t<command line>". It lists with
LIST only, as vsftpd does (MLSD and MLST are not offered), so that faults armed
on LIST meet every listing of a folder.

FAULT_FILE holds the armed faults, one a line, fields separated by tabs:
    id kind verb nth times seconds bytes reply
It is read again whenever it changes (the test replaces it whole); a fault keeps
its counts for as long as its id stays in the file. Kinds:
    drop-before  close the control connection instead of carrying the command out
    drop-after   carry the command out, then close instead of sending its final reply
    stall-reply  carry the command out only after `seconds` (0: never); no reply meanwhile
    stall-data   let `bytes` data bytes of the transfer through, then move none for
                 `seconds` (0: for good)
    refuse       answer `reply` instead of carrying the command out
    cut-data     let `bytes` data bytes through, close the data connection, answer
                 `reply` (default 426)
    short-data   let `bytes` data bytes through, then end the data stream as if the
                 transfer were whole and answer its usual 226 (what a middlebox that
                 cuts the data connection leaves): a listing or download ends early;
                 an upload keeps only its first `bytes` bytes, the rest is read and
                 dropped
A binary RETR announces the file's size in its 150 (or 125) reply, as vsftpd and
ProFTPD do: "... (N bytes).".
    answer-421   answer "421 <reply>" and close the control connection
A fault applies to commands whose verb is `verb` ("-": any command); it fires on
the nth such command received since it was armed and on the `times` - 1 after it
(times 0: on every one from the nth on). At most one fault fires per command: the
first in the file that is due.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

root, command_log, fault_file, fired_log = sys.argv[1:5]
host = sys.argv[5] if len(sys.argv) > 5 else "127.0.0.1"
logging.disable(logging.CRITICAL)


class Fault:
    def __init__(self, fields):
        self.id, self.kind, verb = fields[0], fields[1], fields[2]
        self.verb = "" if verb == "-" else verb.upper()
        self.nth, self.times = int(fields[3]), int(fields[4])
        self.seconds, self.bytes = float(fields[5]), int(fields[6])
        self.reply = fields[7] if len(fields) > 7 else ""
        self.seen = 0
        self.fired = 0

    def count(self, verb):
        if not self.verb or self.verb == verb:
            self.seen += 1
            return True
        return False

    def due(self):
        return self.seen >= self.nth and (self.times == 0 or self.fired < self.times)


class Faults:
    def __init__(self):
        self.stamp = None
        self.armed = []

    def current(self):
        try:
            info = os.stat(fault_file)
            stamp = (info.st_ino, info.st_mtime_ns, info.st_size)
        except FileNotFoundError:
            stamp = None
        if stamp != self.stamp:
            self.stamp = stamp
            known = {fault.id: fault for fault in self.armed}
            armed = []
            if stamp is not None:
                with open(fault_file) as text:
                    for line in text.read().splitlines():
                        fields = line.split("\t")
                        if len(fields) >= 7:
                            armed.append(known.get(fields[0]) or Fault(fields))
            self.armed = armed
        return self.armed

    def due(self, verb):
        # Every armed fault counts the command; the first that is due fires.
        counted = [fault for fault in self.current() if fault.count(verb)]
        for fault in counted:
            if fault.due():
                fault.fired += 1
                return fault
        return None


faults = Faults()


def append(path, line):
    with open(path, "a") as out:
        out.write(line + "\n")


class FaultyDTP(DTPHandler):
    """Data connection that passes `bytes` bytes, then stalls or is cut."""

    def __init__(self, sock, cmd_channel):
        self.fault = None
        self.passed = 0
        self.held = False
        super().__init__(sock, cmd_channel)

    def take_fault(self):
        if self.fault is None and self.cmd_channel.data_fault is not None:
            self.fault = self.cmd_channel.data_fault
            self.cmd_channel.data_fault = None

    def push_with_producer(self, producer):
        self.take_fault()
        super().push_with_producer(producer)

    def push(self, data):
        self.take_fault()
        super().push(data)

    def enable_receiving(self, type, cmd):
        self.take_fault()
        super().enable_receiving(type, cmd)

    def end_short(self):
        """Ends the data stream early, as if the transfer were complete."""
        if not self._closed:
            self.transfer_finished = True
            self._resp = ("226 Transfer complete.", logging.info)
            self.close()

    def hold(self, event):
        """Stops moving data: for good, for a while, or until the cut."""
        self.held = True
        self.del_channel()
        fault = self.fault
        if fault.kind == "cut-data":
            self.ioloop.call_later(0, self.cut)
        elif fault.seconds > 0:
            def resume():
                self.fault = None
                self.held = False
                if not self._closed:
                    self.add_channel(events=event)
            self.ioloop.call_later(fault.seconds, resume)

    def cut(self):
        if not self._closed:
            self._resp = (self.fault.reply or "426 Connection closed; transfer aborted.",
                          logging.info)
            self.close()

    def send(self, data):
        if self.fault is None:
            return super().send(data)
        if self.held:
            return 0
        if self.fault.kind == "short-data":
            left = self.fault.bytes - self.passed
            sent = super().send(data[:left]) if left > 0 else 0
            self.passed += sent
            if self.passed >= self.fault.bytes:
                self.held = True
                self.ioloop.call_later(0, self.end_short)
            return sent
        left = self.fault.bytes - self.passed
        if left <= 0:
            self.hold(self.ioloop.WRITE)
            return 0
        sent = super().send(data[:left])
        self.passed += sent
        if self.passed >= self.fault.bytes:
            self.hold(self.ioloop.WRITE)
        return sent

    def handle_read(self):
        if self.fault is not None and self.fault.kind == "short-data":
            return self.read_short()
        if self.fault is not None and self.held:
            return
        before = self.tot_bytes_received
        super().handle_read()
        if self.fault is not None:
            self.passed += self.tot_bytes_received - before
            if self.passed >= self.fault.bytes and not self._closed:
                self.hold(self.ioloop.READ)

    handle_read_event = handle_read

    def read_short(self):
        """Keeps the first `bytes` bytes of an upload and drops the rest."""
        try:
            chunk = self.recv(self.ac_in_buffer_size)
        except Exception:
            return super().handle_read()
        self.tot_bytes_received += len(chunk)
        if not chunk:
            self.transfer_finished = True
            return
        keep = chunk[:max(0, self.fault.bytes - self.passed)]
        self.passed += len(keep)
        if keep:
            self.file_obj.write(keep)


class Handler(FTPHandler):
    dtp_handler = FaultyDTP
    use_sendfile = False
    proto_cmds = {verb: info for verb, info in FTPHandler.proto_cmds.items()
                  if verb not in ("MLSD", "MLST")}

    def __init__(self, *args, **kwargs):
        self.data_fault = None
        self.drop_on_final_reply = False
        self.announced_size = None
        super().__init__(*args, **kwargs)

    def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
        if cmd == "RETR" and file is not None and self._current_type == "i":
            self.announced_size = os.fstat(file.fileno()).st_size
        return super().push_dtp_data(data, isproducer, file, cmd)

    def pre_process_command(self, line, cmd, arg):
        append(command_log, line)
        fault = faults.due(cmd)
        if fault is None:
            return super().pre_process_command(line, cmd, arg)
        append(fired_log, fault.kind + "\t" + line)
        kind = fault.kind
        if kind == "drop-before":
            self.close()
        elif kind == "answer-421":
            self.respond("421 " + (fault.reply or "Service not available, closing control connection."))
            self.close_when_done()
        elif kind == "refuse":
            self.respond(fault.reply or "550 Refused.")
        elif kind == "drop-after":
            self.drop_on_final_reply = True
            super().pre_process_command(line, cmd, arg)
        elif kind == "stall-reply":
            if fault.seconds > 0:
                def carry_out():
                    if not self._closed:
                        super(Handler, self).pre_process_command(line, cmd, arg)
                self.ioloop.call_later(fault.seconds, carry_out)
        elif kind in ("stall-data", "cut-data", "short-data"):
            self.data_fault = fault
            super().pre_process_command(line, cmd, arg)

    def _on_dtp_connection(self):
        # pyftpdlib keeps the connector of an active data connection after handing
        # its socket on, and closes it again with the control connection; by then
        # the descriptor number may serve another connection, which would then never
        # be read again. The connector has nothing left to do.
        self._dtp_connector = None
        super()._on_dtp_connection()

    def respond(self, resp, logfun=logging.debug):
        if self.announced_size is not None and resp[:3] in ("125", "150"):
            resp = resp.rstrip(".") + " (%d bytes)." % self.announced_size
            self.announced_size = None
        if self.drop_on_final_reply and not resp.startswith("1"):
            self.drop_on_final_reply = False
            # Closed on the next turn of the loop: this may run inside the close of
            # the data connection.
            self.ioloop.call_later(0, self.close)
            return
        super().respond(resp, logfun)


authorizer = DummyAuthorizer()
authorizer.add_user("user", "secret", root, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0
server = FTPServer((host, 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
