#!/usr/bin/env bash
# Runs a command beside the test broker (tests/support/test_broker.py), which
# does for the command what a Windows test program under wine cannot do itself:
# start FTP test servers, read a file's permission bits, interrupt a process.
# Stops the broker, with every server it started, afterwards. The command finds
# the broker on 127.0.0.1 at the port VELCOPY_TEST_BROKER names. When the
# variable is set already (the Windows stage starts one broker for all its
# tests), the command just runs.
set -u
if [ -n "${VELCOPY_TEST_BROKER:-}" ]; then
    exec "$@"
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
portfile="$(mktemp)"
/usr/bin/python3 "$here/tests/support/test_broker.py" "$here/tests/support/faulty_ftpd.py" \
    >"$portfile" 2>/dev/null &
broker=$!
stop() {
    kill "$broker" 2>/dev/null
    wait "$broker" 2>/dev/null
    rm -f "$portfile"
}
trap stop EXIT
for _ in $(seq 100); do
    [ -s "$portfile" ] && break
    sleep 0.05
done
if [ ! -s "$portfile" ]; then
    echo "with-test-broker: the test broker did not start (is python3 installed?)" >&2
    exit 1
fi
export VELCOPY_TEST_BROKER="$(head -n1 "$portfile")"
"$@"
