#!/usr/bin/env bash
# Runs a command beside a pyftpdlib server on a free port of 127.0.0.1, with one
# user ("user"/"secret") over a fresh folder and every command it receives
# logged, and stops the server afterwards. The command learns the server from
#   VELCOPY_TEST_FTP_PORT  the port
#   VELCOPY_TEST_FTP_ROOT  the folder the FTP root shows (a path of this machine)
#   VELCOPY_TEST_FTP_LOG   the command log, one line per command
# The Windows test programs run under wine cannot start POSIX processes
# themselves: their FTP tests are run through this script.
set -u
dir="$(mktemp -d)"
mkdir "$dir/root"
: >"$dir/commands.log"
cat >"$dir/server.py" <<'PYTHON'
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, log = sys.argv[1], sys.argv[2]
logging.disable(logging.CRITICAL)
class Handler(FTPHandler):
    def pre_process_command(self, line, cmd, arg):
        with open(log, "a") as out:
            out.write(line + "\n")
        return super().pre_process_command(line, cmd, arg)
authorizer = DummyAuthorizer()
authorizer.add_user("user", "secret", root, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
PYTHON
/usr/bin/python3 "$dir/server.py" "$dir/root" "$dir/commands.log" >"$dir/port" 2>/dev/null &
server=$!
stop() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT
for _ in $(seq 100); do
    [ -s "$dir/port" ] && break
    sleep 0.1
done
if [ ! -s "$dir/port" ]; then
    echo "with-ftp-server: pyftpdlib did not start (is python3-pyftpdlib installed?)" >&2
    exit 1
fi
export VELCOPY_TEST_FTP_PORT="$(cat "$dir/port")"
export VELCOPY_TEST_FTP_ROOT="$dir/root" VELCOPY_TEST_FTP_LOG="$dir/commands.log"
"$@"
