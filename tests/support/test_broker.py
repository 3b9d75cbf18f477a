#!/usr/bin/python3
"""Does for test programs what they cannot do themselves: the Windows tests, run
under wine, can neither start a process of this machine and wait for it nor
see its permission bits or send it a signal.

usage: test_broker.py FAULTY_FTPD

Listens on a free port of 127.0.0.1 and prints it once it listens. Each
connection makes one request, a line of its own:

    server HOST   starts FAULTY_FTPD (tests/support/faulty_ftpd.py) on HOST over a
                  fresh folder and answers "PORT<tab>FOLDER"; FOLDER holds root/,
                  commands.log, faults and fired.log. The server is stopped and
                  FOLDER removed when the connection closes, so a server lives as
                  long as the test object that asked for it, and no longer than
                  the test program.
    tls-server HOST MODE
                  likewise with tests/support/tls_ftpd.py beside FAULTY_FTPD: FTP
                  over TLS (MODE explicit or implicit); FOLDER holds root/,
                  commands.log, tls-cert.pem and tls-fingerprint.
    mode PATH     answers the permission bits of PATH in octal.
    interrupt TEXT
                  sends SIGINT (which wine turns into Ctrl-C) to every process of
                  this user whose command line holds TEXT; answers how many.

A request that fails is answered "error <reason>". SIGTERM stops every server.
"""
import os
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import threading

faulty_ftpd = sys.argv[1]
tls_ftpd = os.path.join(os.path.dirname(os.path.abspath(faulty_ftpd)), "tls_ftpd.py")
servers = {}
servers_lock = threading.Lock()


def remove_tree(folder):
    # Folders the tests made read-only would keep what is in them.
    def writable_and_again(function, path, _):
        try:
            os.chmod(os.path.dirname(path), 0o700)
            if os.path.isdir(path) and not os.path.islink(path):
                os.chmod(path, 0o700)
            function(path)
        except OSError:
            pass
    shutil.rmtree(folder, onerror=writable_and_again)


def stop(process, folder):
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    remove_tree(folder)


def start_server(host, tls_mode=None):
    folder = tempfile.mkdtemp(prefix="velftp-")
    os.chmod(folder, 0o755)
    root = os.path.join(folder, "root")
    os.mkdir(root, 0o755)
    for name in ("commands.log", "fired.log"):
        open(os.path.join(folder, name), "w").close()
    if tls_mode is None:
        command = [faulty_ftpd, root, os.path.join(folder, "commands.log"),
                   os.path.join(folder, "faults"), os.path.join(folder, "fired.log"), host]
        needs = "python3-pyftpdlib"
    else:
        command = [tls_ftpd, root, os.path.join(folder, "commands.log"), folder, host, tls_mode]
        needs = "python3-pyftpdlib and python3-openssl"
    process = subprocess.Popen(["/usr/bin/python3"] + command, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    port = process.stdout.readline().strip().decode()
    if not port.isdigit():
        stop(process, folder)
        raise OSError("the server did not start (are %s installed?)" % needs)
    return process, folder, port


def interrupt(marker):
    count = 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            if os.stat("/proc/" + entry).st_uid != os.getuid():
                continue
            with open("/proc/%s/cmdline" % entry, "rb") as text:
                if marker not in text.read():
                    continue
            os.kill(int(entry), signal.SIGINT)
            count += 1
        except OSError:
            pass
    return count


def serve(connection):
    with connection:
        request = b""
        while not request.endswith(b"\n"):
            piece = connection.recv(4096)
            if not piece:
                return
            request += piece
        verb, _, argument = request.decode("utf-8", "surrogateescape").strip().partition(" ")
        try:
            if verb == "mode":
                connection.sendall(b"%o\n" % stat.S_IMODE(os.stat(argument).st_mode))
                return
            if verb == "interrupt":
                connection.sendall(b"%d\n" % interrupt(argument.encode("utf-8", "surrogateescape")))
                return
            if verb == "server":
                process, folder, port = start_server(argument or "127.0.0.1")
            elif verb == "tls-server":
                host, _, mode = argument.partition(" ")
                if mode not in ("explicit", "implicit"):
                    raise OSError("unknown TLS mode " + mode)
                process, folder, port = start_server(host, mode)
            else:
                raise OSError("unknown request " + verb)
        except OSError as error:
            connection.sendall(("error %s\n" % error).encode())
            return
        with servers_lock:
            servers[process] = folder
        connection.sendall(("%s\t%s\n" % (port, folder)).encode())
        while connection.recv(4096):
            pass
        with servers_lock:
            folder = servers.pop(process, None)
        if folder is not None:
            stop(process, folder)


def stop_all(*_):
    with servers_lock:
        every = list(servers.items())
        servers.clear()
    for process, folder in every:
        stop(process, folder)
    os._exit(0)


signal.signal(signal.SIGTERM, stop_all)
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(64)
print(listener.getsockname()[1], flush=True)
while True:
    client, _ = listener.accept()
    threading.Thread(target=serve, args=(client,), daemon=True).start()
