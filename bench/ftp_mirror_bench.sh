#!/usr/bin/env bash
# FTP mirror benchmark: VelCopy beside lftp's mirror on the same tree, against a
# local vsftpd and a local pyftpdlib, in the same run. A tree of 2,000 files
# (200 B to 20 KiB, a dot file in each folder) in 31 folders is mirrored:
#   up-full    local tree -> empty server folder
#   up-same    the same again, over the tool's own mirror (nothing to do)
#   down-full  server tree -> empty local folder
#   down-same  the same again, over the tool's own mirror
# by VelCopy (/S /delete), lftp `mirror --delete` one file at a time (serial) and
# lftp with --parallel=4 (shown, not a goal). lftp is told to do the same job:
# list with "-a" (vsftpd hides dot files from a plain LIST, so lftp would miss
# them and upload them again on every run) and set no permissions (--no-perms;
# VelCopy sends SITE CHMOD only when asked to). Each time is the median of RUNS runs;
# the tools alternate run by run, each after the same untimed setup. The commands
# each tool sent in its last run are counted from the server's log.
# After every timed run the mirror is compared with the tree (names, file sizes):
# a run that failed or left an incomplete mirror is left out of the median, which
# is then marked "*" ("-" when no run was whole), and named on stderr.
#
# FTP over TLS (server vsftpd-tls, or TLS=1): vsftpd with explicit TLS and a fresh
# self-signed certificate; VelCopy mirrors ftpes:// URLs with /Cert:<fingerprint>,
# lftp is forced to TLS on control and data connections (ftp:ssl-force,
# ftp:ssl-protect-data, ftp:ssl-protect-list) and trusts the certificate as its CA
# file, with its checks (host name included) left on. vsftpd wants every data
# connection to resume the control connection's TLS session; both tools do. lftp
# speaks TLS through GnuTLS and uses its default priorities (TLS 1.3 against this
# vsftpd); LFTP_TLS_PRIORITY=... sets ssl:priority, e.g. "NORMAL:-VERS-TLS1.3" to
# hold lftp to TLS 1.2 if uploads end early with "426 Failure reading network
# stream" (seen with files of 200 KB, see tools/ftp-servers/README.md).
# Goals: *-same at most 0.5x lftp serial, with per folder at most one CWD, one
# PASV/EPSV/PORT and one LIST; *-full at most 0.7x lftp serial.
#
# Usage: sudo bench/ftp_mirror_bench.sh [VelCopy binary]
#   default build/VelCopy. SERVERS="..." the servers, in order, from vsftpd,
#   pyftpdlib and vsftpd-tls (default "vsftpd pyftpdlib"; TLS=1 adds vsftpd-tls).
#   RUNS=n runs per figure (default 5); VEL_SWITCHES=...
#   more switches for VelCopy (e.g. "/Passive /Passive"); WORK=dir scratch
#   folder (default a fresh one under /tmp, removed at the end).
#   Needs root (the servers run from tools/ftp-servers), lftp (Debian's package)
#   and python3-pyftpdlib and vsftpd (tools/ftp-servers/prepare.sh). A VelCopy
#   that cannot reach FTP yet leaves its columns empty.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
servers="$here/tools/ftp-servers"
binary="${1:-$here/build/VelCopy}"
runs="${RUNS:-5}"
vel_switches="${VEL_SWITCHES:-}"
server_list="${SERVERS:-vsftpd pyftpdlib}"
[ "${TLS:-0}" = 1 ] && [[ " $server_list " != *" vsftpd-tls "* ]] && server_list+=" vsftpd-tls"
for server in $server_list; do
  case $server in vsftpd | pyftpdlib | vsftpd-tls) ;;
    *) echo "ftp_mirror_bench: unknown server $server (vsftpd, pyftpdlib, vsftpd-tls)" >&2; exit 1 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "ftp_mirror_bench: run as root (the test servers need it)" >&2; exit 1; }
command -v lftp >/dev/null || { echo "ftp_mirror_bench: lftp is missing (apt-get install lftp)" >&2; exit 1; }
work="${WORK:-$(mktemp -d /tmp/velcopy-ftpbench-XXXXXX)}"
mkdir -p "$work" && chmod 755 "$work"  # the servers reach their roots in it as their own user
states=()
cleanup() {
  ((${#states[@]})) && bash "$servers/stop.sh" "${states[@]}" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
py=/usr/bin/python3
user=bench pass=secret

now() { date +%s%N; }
median() { sort -n | awk '{v[NR]=$1} END {m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.3f", m/1e9}'; }
ratio() {  # ratio A B: A/B, "-" without both; figures marked "*" still count
  awk -v a="${1%\*}" -v b="${2%\*}" 'BEGIN { if (a == "-" || b == "-" || b <= 0) print "-"; else printf "%.2f", a / b }'
}
free_port() { "$py" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# make_tree DIR: 2,000 files in 31 folders (the root and 30 below it, two levels),
# dated an hour back: a server lists times to the minute, and a file changed in
# the minute of its upload looks newer than its copy until that minute is over.
make_tree() {
  "$py" - "$1" <<'PY'
import os, random, sys, time
root = sys.argv[1]
random.seed(11)
blob = os.urandom(20480)
folders = [root] + [os.path.join(root, "dir%02d" % (i // 3), "sub%d" % (i % 3)) if i % 3 else
                    os.path.join(root, "dir%02d" % (i // 3)) for i in range(30)]
for folder in folders:
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ".htaccess"), "wb") as out:
        out.write(b"Require all granted\n")
for i in range(2000 - len(folders)):
    folder = folders[i % len(folders)]
    with open(os.path.join(folder, "file%04d.dat" % i), "wb") as out:
        out.write(blob[:random.randint(200, 20480)])
an_hour_ago = time.time() - 3600
for folder, _, files in os.walk(root):
    for name in files:
        os.utime(os.path.join(folder, name), (an_hour_ago, an_hour_ago))
PY
}

# Commands a server has logged so far: vsftpd's "FTP command" lines, pyftpdlib's
# "<- " lines (--debug).
log_of() { case "$1" in vsftpd) echo "$2/vsftpd.log" ;; pyftpdlib) echo "$2/server.log" ;; esac; }
command_lines() {
  [ -f "$2" ] || return 0
  case "$1" in
    vsftpd) { grep -a 'FTP command: Client' "$2" || true; } | sed 's/.*", "//; s/"$//' ;;
    pyftpdlib) { grep -a ' <- ' "$2" || true; } | sed 's/.* <- //' ;;
  esac
}
# count_since SERVER LOG LINE: the commands logged after line LINE, as "total
# CWD/data/LIST/STOR/RETR/other" (data: PASV, EPSV, PORT, EPRT; LIST: LIST, MLSD,
# NLST; other: login, TYPE, MDTM, MFMT, MKD, SITE ...)
count_since() {
  command_lines "$1" "$2" | tail -n +"$(($3 + 1))" | awk '
    { v = toupper($1); t++
      if (v == "CWD") c++; else if (v ~ /^(PASV|EPSV|PORT|EPRT)$/) d++
      else if (v ~ /^(LIST|MLSD|NLST)$/) l++; else if (v == "STOR") s++
      else if (v == "RETR") r++; else o++ }
    END { printf "%d %d/%d/%d/%d/%d/%d\n", t, c, d, l, s, r, o }'
}
logged() { command_lines "$1" "$2" | wc -l; }
# listing DIR: its entries below it, folders by name, files by name and size.
listing() {
  find "$1" -mindepth 1 \( -type d -printf 'd %P\n' \) -o -printf '%y %P %s\n' | LC_ALL=C sort
}
# missing MIRROR: how many entries MIRROR lacks or has beyond the tree (0: whole).
missing() { listing "$1" 2>/dev/null | diff - "$work/tree.list" | grep -c '^[<>]' || true; }
# aside PATH...: moves each existing PATH into $work/aside (same file system).
aside() {
  mkdir -p "$work/aside"
  local path
  for path in "$@"; do [ -e "$path" ] && mv "$path" "$(mktemp -u "$work/aside/XXXXXXXX")"; done
  return 0
}

vel_ok=1
lftp_tls="set ftp:ssl-allow no;"  # per server: plain, or TLS with the server's certificate
lftp_cmd() {  # lftp_cmd PORT PARALLEL MIRROR-ARGS...
  local port="$1" parallel="$2"; shift 2
  lftp -c "$lftp_tls set net:max-retries 2; set net:reconnect-interval-base 1; \
set cmd:fail-exit yes; set xfer:clobber on; set ftp:list-options -a; \
open -u $user,$pass -p $port 127.0.0.1; mirror --delete --no-perms --parallel=$parallel $*"
}

# figure TOOL: the median of TOOL's whole runs, "*" after it when runs were left
# out, "-" when none was whole.
figure() {
  local bad=0; [ -f "$work/bad-$1" ] && bad=$(wc -l <"$work/bad-$1")
  if [ ! -s "$work/t-$1" ]; then echo -; else echo "$(median <"$work/t-$1")$( ((bad)) && echo '*')"; fi
}

# time_three SETUP VEL LFTP1 LFTP4 MIRROR: medians "vel lftp1 lftp4"; the setup
# runs untimed before each command, and each run's mirror (MIRROR followed by vel,
# l1 or l4) must equal the tree afterwards. The command counts of each tool's last
# run are left in $work/c-vel, c-l1 and c-l4.
time_three() {
  local setup="$1" vel="$2" l1="$3" l4="$4" mirror="$5" i start took rc lacking
  : >"$work/t-vel"; : >"$work/t-l1"; : >"$work/t-l4"; rm -f "$work"/c-* "$work"/bad-*
  for ((i = 0; i < runs; i++)); do
    for tool in vel l1 l4; do
      [ "$tool" = vel ] && [ "$vel_ok" = 0 ] && continue
      eval "$setup"; sync
      mark=$(logged "$kind" "$log")
      local cmd; case $tool in vel) cmd="$vel" ;; l1) cmd="$l1" ;; l4) cmd="$l4" ;; esac
      start=$(now)
      rc=0; eval "$cmd" >"$work/out-$tool" 2>&1 || rc=$?
      took=$(($(now) - start))
      sleep 0.3  # vsftpd's session processes write the log
      count_since "$kind" "$log" "$mark" >"$work/c-$tool"
      lacking=$(missing "$mirror$tool")
      if [ "$rc" = 0 ] && [ "$lacking" = 0 ]; then
        echo "$took" >>"$work/t-$tool"
      else
        echo "$i" >>"$work/bad-$tool"
        echo "ftp_mirror_bench: $tool run $((i + 1)) ($server $case) left out: exit status $rc," \
          "$lacking entries differ from the tree; its output ends:" >&2
        tail -5 "$work/out-$tool" >&2
      fi
    done
  done
  local tv="-"; [ "$vel_ok" = 1 ] && tv=$(figure vel)
  echo "$tv $(figure l1) $(figure l4)"
}
# prime MIRROR COMMAND: runs COMMAND untimed until MIRROR equals the tree
# (three tries), so that a *-same run starts from a whole mirror.
prime() {
  local try
  for try in 1 2 3; do
    eval "$2" >"$work/out-prime" 2>&1 || true
    [ "$(missing "$1")" = 0 ] && return 0
    echo "ftp_mirror_bench: $1 incomplete after priming ($server $case, try $try)" >&2
    tail -3 "$work/out-prime" >&2
  done
}

tree="$work/tree"
make_tree "$tree"
listing "$tree" >"$work/tree.list"
printf "tree: %s files, %s folders, %s KiB\n" "$(find "$tree" -type f | wc -l)" \
  "$(find "$tree" -type d | wc -l)" "$(du -sk "$tree" | cut -f1)"

for server in $server_list; do
  kind=${server%-tls} tls=""  # kind: the server program, whose log is read
  [ "$kind" = "$server" ] || tls=explicit
  port=$(free_port); pasv=$(free_port)
  root="$work/root-$server" state="$work/state-$server"
  mkdir -p "$root"
  extra=""; [ "$kind" = pyftpdlib ] && extra="--debug"
  FTPM_STATE="$state" FTPM_EXTRA="$extra" FTPM_TLS="$tls" bash "$servers/start-$kind.sh" "$port" \
    "$pasv" "$((pasv + 20))" "$root" "$user" "$pass" >/dev/null
  states+=("$state")
  log=$(log_of "$kind" "$state")
  url="ftp://127.0.0.1:$port" vel_tls="" lftp_tls="set ftp:ssl-allow no;"
  if [ -n "$tls" ]; then
    url="ftpes://127.0.0.1:$port" vel_tls="/Cert:$(cat "$state/tls-cert.sha256")"
    lftp_tls="set ftp:ssl-force true; set ftp:ssl-protect-data true; set ftp:ssl-protect-list true; \
set ssl:verify-certificate true; set ssl:ca-file '$state/tls-cert.pem';"
    [ -z "${LFTP_TLS_PRIORITY:-}" ] || lftp_tls+=" set ssl:priority '$LFTP_TLS_PRIORITY';"
  fi
  cp -a "$tree" "$root/src" && chown -R 2121:2121 "$root"

  # Does this VelCopy speak FTP (over TLS) yet?
  vel_ok=1
  if "$binary" "$url/no-such-folder" "$work/probe" /U:$user /P:$pass $vel_tls 2>&1 |
    grep -q "not available in this build"; then
    vel_ok=0
  fi
  rm -rf "$work/probe"

  printf "\n%s (port %d%s)%s\n" "$server" "$port" \
    "$([ -n "$tls" ] && echo ", explicit TLS${LFTP_TLS_PRIORITY:+, lftp ssl:priority $LFTP_TLS_PRIORITY}")" \
    "$([ $vel_ok = 0 ] && echo ": VelCopy without FTP${tls:+ over TLS}, lftp only")"
  printf "%-10s %8s %8s %8s %9s  %-24s %-24s %s\n" case VelCopy lftp lftp-P4 Vel/lftp \
    "cmds VelCopy" "cmds lftp" "cmds lftp-P4"
  # The previous mirrors are moved aside, not deleted: ext4 makes every file
  # created within seconds of thousands of deletions search past the freed inodes,
  # which would time the file system's aftermath of the setup, not the tools.
  # Everything moved aside goes with the work folder at the end.
  fresh_up='aside "$root"/up-*; mkdir -p "$root"/up-vel "$root"/up-l1 "$root"/up-l4; chown 2121:2121 "$root"/up-*'
  fresh_down='aside "$work"/down-*; mkdir -p "$work"/down-vel "$work"/down-l1 "$work"/down-l4'
  vel_up="'$binary' '$tree' '$url/up-vel' /S /delete /U:$user /P:$pass $vel_tls $vel_switches"
  vel_down="'$binary' '$url/src' '$work/down-vel' /S /delete /U:$user /P:$pass $vel_tls $vel_switches"
  for case in up-full up-same down-full down-same; do
    case $case in
      up-full) setup="$fresh_up" ;;
      up-same) eval "$fresh_up"
        [ $vel_ok = 1 ] && prime "$root/up-vel" "$vel_up"
        prime "$root/up-l1" "lftp_cmd $port 1 -R '$tree' /up-l1"
        prime "$root/up-l4" "lftp_cmd $port 4 -R '$tree' /up-l4"
        setup=":" ;;
      down-full) setup="$fresh_down" ;;
      down-same) eval "$fresh_down"
        [ $vel_ok = 1 ] && prime "$work/down-vel" "$vel_down"
        prime "$work/down-l1" "lftp_cmd $port 1 /src '$work/down-l1'"
        prime "$work/down-l4" "lftp_cmd $port 4 /src '$work/down-l4'"
        setup=":" ;;
    esac
    if [ "${case%%-*}" = up ]; then
      read -r tv t1 t4 < <(time_three "$setup" "$vel_up" \
        "lftp_cmd $port 1 -R '$tree' /up-l1" "lftp_cmd $port 4 -R '$tree' /up-l4" "$root/up-")
    else
      read -r tv t1 t4 < <(time_three "$setup" "$vel_down" \
        "lftp_cmd $port 1 /src '$work/down-l1'" "lftp_cmd $port 4 /src '$work/down-l4'" "$work/down-")
    fi
    printf "%-10s %8s %8s %8s %9s  %-24s %-24s %s\n" "$case" "$tv" "$t1" "$t4" "$(ratio "$tv" "$t1")" \
      "$(cat "$work/c-vel" 2>/dev/null || echo -)" "$(cat "$work/c-l1")" "$(cat "$work/c-l4")"
  done
  # Every mirror must equal the tree.
  for tool in vel l1 l4; do
    [ "$tool" = vel ] && [ $vel_ok = 0 ] && continue
    for mirror in "$root/up-$tool" "$work/down-$tool"; do
      differences=$(diff -rq "$tree" "$mirror" | wc -l || true)
      [ "$differences" = 0 ] || echo "ftp_mirror_bench: $mirror differs from the tree in $differences entries" >&2
    done
  done
done
echo
echo "medians in seconds over $runs runs; goals: *-same <= 0.5x lftp, *-full <= 0.7x lftp (serial)"
echo "cmds: total CWD/data connections/listings/STOR/RETR/other, of each tool's last run"
echo "*: runs that failed or left a mirror unlike the tree are left out (see stderr); -: none was whole"
