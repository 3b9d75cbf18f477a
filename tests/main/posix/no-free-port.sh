#!/bin/bash
# no-free-port.sh VELCOPY SOURCE MIRROR_ROOT LOG
# Runs VelCopy with active data connections towards a pyftpdlib server in a
# network namespace of its own, where every port of the local port range but
# one is taken: the control connection gets that one, and no port is left for a
# listening socket. Prints VelCopy's exit code last. Needs root (unshare -n).
set -euo pipefail
velcopy="$1" source="$2" root="$3" log="$4"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
exec unshare -n bash -s "$velcopy" "$source" "$root" "$log" "$here" <<'INSIDE'
set -euo pipefail
velcopy="$1" source="$2" root="$3" log="$4" here="$5"
ip link set lo up
# The server's ports lie outside the range made scarce below. Its passive ports
# are many: the one local port left serves every data connection, and one to a
# passive port used a moment before would meet that connection's TIME-WAIT.
/usr/bin/python3 "$here/tools/ftp-servers/ftpm-pyftpdlib.py" 2121 30000 39999 "$root" user secret \
  2>/dev/null &
server=$!
trap 'kill $server $holder 2>/dev/null || true' EXIT
holder=""
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/2121) 2>/dev/null && break
  sleep 0.1
done
echo "20000 20007" > /proc/sys/net/ipv4/ip_local_port_range
/usr/bin/python3 - <<'TAKE' &
import socket, time
held = []
for port in range(20000, 20007):  # 20007 stays free for the control connection
    s = socket.socket()
    s.bind(("127.0.0.1", port))
    held.append(s)
open("/tmp/.velcopy-ports-held-%d" % __import__("os").getppid(), "w").close()
time.sleep(60)
TAKE
holder=$!
for _ in $(seq 100); do
  [ -e "/tmp/.velcopy-ports-held-$$" ] && break
  sleep 0.05
done
rm -f "/tmp/.velcopy-ports-held-$$"
status=0
"$velcopy" "$source" ftp://127.0.0.1:2121/mirror /S /Active /Active /U:user /P:secret "/L:$log" \
  || status=$?
echo "$status"
INSIDE
