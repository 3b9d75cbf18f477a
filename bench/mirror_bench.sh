#!/usr/bin/env bash
# Mirror benchmark: VelCopy beside rsync -a --delete and cp -a on the same trees,
# in the same run. For each tree size it measures, several runs each, the median:
#   full     a full copy into an empty destination (VelCopy, rsync, cp -a)
#   nochange a rerun over a destination that is already a mirror
#   changed  a rerun after 10% of the source files changed and 5% were deleted
# and prints the medians with the ratios VelCopy/rsync and VelCopy/cp -a. Each
# comparison alternates the two commands round by round.
# Goals: nochange at most 0.5x rsync; full at most 1.2x cp -a.
#
# Usage: bench/mirror_bench.sh [VelCopy binary] [file counts...]
#   defaults: build/VelCopy, 10000 50000. RUNS=n sets the runs per figure
#   (default 5 for 10,000 files and fewer, 3 above). WORK=dir sets the scratch
#   folder (default a fresh one under /tmp, removed at the end). SWITCHES=...
#   adds switches to every VelCopy run (SWITCHES=/MT:2 for two copies at once).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binary="${1:-$here/build/VelCopy}"
shift || true
sizes=("$@")
((${#sizes[@]})) || sizes=(10000 50000)
[ -x "$binary" ] || { echo "mirror_bench: no VelCopy at $binary (build it first)" >&2; exit 1; }
work="${WORK:-$(mktemp -d /tmp/velcopy-bench-XXXXXX)}"
trap 'rm -rf "$work"' EXIT
py=/usr/bin/python3
switches="${SWITCHES:-}"

now() { date +%s%N; }

# median of the numbers on stdin (nanoseconds) printed as seconds
median() { sort -n | awk '{v[NR]=$1} END {m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.4f", m/1e9}'; }

# make_tree DIR FILES: FILES small files (200 B to 8 KiB) in 100 folders
make_tree() {
  "$py" - "$1" "$2" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(7)
folders = 100
blob = os.urandom(8192)
for f in range(folders):
    os.makedirs(os.path.join(root, "d%03d" % f, "inner"), exist_ok=True)
for i in range(count):
    f = i % folders
    sub = "inner" if i % 3 == 0 else ""
    path = os.path.join(root, "d%03d" % f, sub, "file%06d.dat" % i)
    size = random.randint(200, 8192)
    with open(path, "wb") as out:
        out.write(blob[:size])
PY
}

# modify_tree DIR: 10% of the files get new content and a later time, 5% go
modify_tree() {
  "$py" - "$1" <<'PY'
import os, sys, time
root = sys.argv[1]
files = sorted(os.path.join(d, n) for d, _, names in os.walk(root) for n in names)
later = time.time() + 3600
for i, path in enumerate(files):
    if i % 20 == 7:
        os.remove(path)
    elif i % 10 == 3:
        with open(path, "ab") as out:
            out.write(b"changed")
        os.utime(path, (later, later))
PY
}

# time_pair RUNS SETUP A B: median seconds of commands A and B, "A B". The two
# alternate round by round (SETUP untimed before each), so that a drift of the
# machine's state during the run weighs on both alike.
time_pair() {
  local runs="$1" setup="$2" a="$3" b="$4" i start
  local ta="$work/times-a" tb="$work/times-b"
  : >"$ta"; : >"$tb"
  for ((i = 0; i < runs; i++)); do
    eval "$setup"; sync
    start=$(now); eval "$a" >/dev/null 2>&1; echo $(($(now) - start)) >>"$ta"
    eval "$setup"; sync
    start=$(now); eval "$b" >/dev/null 2>&1; echo $(($(now) - start)) >>"$tb"
  done
  echo "$(median <"$ta") $(median <"$tb")"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

printf "%-8s %-9s %10s %10s %10s %12s %12s\n" files case VelCopy rsync "cp -a" VelCopy/rsync VelCopy/cp
for files in "${sizes[@]}"; do
  runs="${RUNS:-$((files > 10000 ? 3 : 5))}"
  base="$work/base$files" changed="$work/changed$files" mirror="$work/mirror$files" dst="$work/dst"
  rm -rf "$base" "$changed" "$mirror"
  make_tree "$base" "$files"
  cp -a "$base" "$changed" && modify_tree "$changed"
  cp -a "$base" "$mirror"

  fresh="rm -rf '$dst'; mkdir '$dst'"
  read -r vel_full rsync_full < <(time_pair "$runs" "$fresh" \
    "'$binary' '$base' '$dst' /S /delete $switches" "rsync -a --delete '$base/' '$dst/'")
  read -r vel_full_cp cp_full < <(time_pair "$runs" "rm -rf '$dst'" \
    "mkdir '$dst' && '$binary' '$base' '$dst' /S /delete $switches" "cp -a '$base' '$dst'")

  rm -rf "$dst" && cp -a "$base" "$dst"
  read -r vel_same rsync_same < <(time_pair "$runs" ":" \
    "'$binary' '$base' '$dst' /S /delete $switches" "rsync -a --delete '$base/' '$dst/'")

  restore="rm -rf '$dst'; cp -a '$mirror' '$dst'"
  read -r vel_changed rsync_changed < <(time_pair "$runs" "$restore" \
    "'$binary' '$changed' '$dst' /S /delete $switches" "rsync -a --delete '$changed/' '$dst/'")

  # The changed rerun must leave an exact mirror.
  rm -rf "$dst" && cp -a "$mirror" "$dst" && "$binary" "$changed" "$dst" /S /delete $switches >/dev/null
  if ! diff -r "$changed" "$dst" >/dev/null; then echo "mirror_bench: VelCopy's mirror differs" >&2; fi

  printf "%-8s %-9s %10s %10s %10s %12s %12s\n" "$files" full "$vel_full" "$rsync_full" "$cp_full" \
    "$(ratio "$vel_full" "$rsync_full")" "$(ratio "$vel_full_cp" "$cp_full")"
  printf "%-8s %-9s %10s %10s %10s %12s %12s\n" "$files" nochange "$vel_same" "$rsync_same" "-" \
    "$(ratio "$vel_same" "$rsync_same")" "-"
  printf "%-8s %-9s %10s %10s %10s %12s %12s\n" "$files" changed "$vel_changed" "$rsync_changed" "-" \
    "$(ratio "$vel_changed" "$rsync_changed")" "-"
  rm -rf "$base" "$changed" "$mirror" "$dst"
done
echo "VelCopy switches: /S /delete${switches:+ $switches}"
echo "medians in seconds over $runs runs each (last size); goals: nochange <= 0.5x rsync, full <= 1.2x cp -a"
