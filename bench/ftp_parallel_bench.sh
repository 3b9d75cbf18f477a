#!/usr/bin/env bash
# Parallel transfers over a far server: every reply of a loopback FTP server
# (bench/delayed_ftpd.py, pyftpdlib with a thread per connection) waits DELAY_MS
# (default 20) before it goes out, as over a link with that round trip. A tree
# of 300 files (1 KiB to 16 KiB) in 20 folders is mirrored:
#   up-full    local tree -> empty server folder
#   up-same    the same again (nothing to do)
#   down-full  server tree -> empty local folder
#   down-same  the same again
# by VelCopy /MT:1 and /MT:4 and by lftp mirror, serially and with --parallel=4,
# in the same run; each time the median of RUNS runs (default 3), the tools
# alternating run by run. Goals: VelCopy /MT:4 *-full at most 0.8x lftp
# --parallel=4, *-same at most 0.5x lftp serial.
#
# Usage: bench/ftp_parallel_bench.sh [VelCopy binary]   (default build/VelCopy)
#   Needs lftp and python3-pyftpdlib.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binary="${1:-$here/build/VelCopy}"
runs="${RUNS:-3}"
delay="${DELAY_MS:-20}"
command -v lftp >/dev/null || { echo "ftp_parallel_bench: lftp is missing (apt-get install lftp)" >&2; exit 1; }
work="$(mktemp -d /tmp/velcopy-parbench-XXXXXX)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
user=bench pass=secret

now() { date +%s%N; }
median() { sort -n | awk '{v[NR]=$1} END {m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.3f", m/1e9}'; }

mkdir -p "$work/server" "$work/tree"
/usr/bin/python3 - "$work/tree" <<'PY'
import os, random, sys, time
root = sys.argv[1]
random.seed(7)
blob = os.urandom(16384)
old = time.time() - 3600
for f in range(20):
    folder = os.path.join(root, "dir%02d" % f)
    os.makedirs(folder)
    for n in range(15):
        path = os.path.join(folder, "file%02d.dat" % n)
        with open(path, "wb") as out:
            out.write(blob[: random.randint(1024, 16384)])
        os.utime(path, (old, old))
PY
coproc SERVER { /usr/bin/python3 "$here/bench/delayed_ftpd.py" "$work/server" "$user" "$pass" "$delay" 2>/dev/null; }
server_pid=$SERVER_PID
read -r port <&"${SERVER[0]}"
url="ftp://127.0.0.1:$port"

# run TOOL STEP TARGET: one timed run of a step into target folder TARGET.
run() {
  local tool=$1 step=$2 target=$3 start end
  local lftp_parallel=""
  case $tool in lftp4) lftp_parallel="--parallel=4" ;; esac
  start=$(now)
  case $tool:$step in
    vel1:up-*|vel4:up-*)
      "$binary" "$work/tree/" "$url/$target" /S /delete "/MT:${tool#vel}" /U:$user /P:$pass /V0 >/dev/null ;;
    vel1:down-*|vel4:down-*)
      "$binary" "$url/$target" "$work/$target-down/" /S /M /delete "/MT:${tool#vel}" /U:$user /P:$pass /V0 >/dev/null ;;
    lftp*:up-*)
      lftp -u "$user,$pass" -e "set cmd:fail-exit yes; mirror -R --delete --no-perms $lftp_parallel $work/tree/ /$target; quit" "$url" >/dev/null ;;
    lftp*:down-*)
      lftp -u "$user,$pass" -e "set cmd:fail-exit yes; mirror --delete --no-perms $lftp_parallel /$target $work/$target-down; quit" "$url" >/dev/null ;;
  esac
  end=$(now)
  echo $((end - start))
}

# check_complete DIR: the tree arrived whole (300 files, same bytes).
check_complete() {
  diff -r "$work/tree" "$1" >/dev/null || { echo "ftp_parallel_bench: $1 differs from the tree" >&2; exit 1; }
}

tools=(vel1 vel4 lftp lftp4)
declare -A times
for ((r = 1; r <= runs; r++)); do
  for tool in "${tools[@]}"; do
    target="$tool-$r"
    mkdir -p "$work/server/$target"
    times[$tool:up-full]+="$(run "$tool" up-full "$target") "
    check_complete "$work/server/$target"
    times[$tool:up-same]+="$(run "$tool" up-same "$target") "
    times[$tool:down-full]+="$(run "$tool" down-full "$target") "
    check_complete "$work/$target-down"
    times[$tool:down-same]+="$(run "$tool" down-same "$target") "
  done
done

printf '%-10s %10s %10s %10s %10s %14s %14s\n' step "/MT:1" "/MT:4" lftp "lftp --par=4" "/MT:4:par4" "/MT:4:lftp"
for step in up-full up-same down-full down-same; do
  declare -A m=()
  for tool in "${tools[@]}"; do m[$tool]=$(tr ' ' '\n' <<<"${times[$tool:$step]}" | grep . | median); done
  printf '%-10s %10s %10s %10s %10s %14s %14s\n' "$step" "${m[vel1]}" "${m[vel4]}" "${m[lftp]}" "${m[lftp4]}" \
    "$(awk -v a="${m[vel4]}" -v b="${m[lftp4]}" 'BEGIN{printf "%.2f", a/b}')" \
    "$(awk -v a="${m[vel4]}" -v b="${m[lftp]}" 'BEGIN{printf "%.2f", a/b}')"
done
echo "(seconds, median of $runs; every reply delayed ${delay} ms; 300 files in 20 folders)"
