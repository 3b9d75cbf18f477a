#!/usr/bin/env bash
# VelCopy.exe under wine between drive letters that lead to folders of this test:
#   VelCopy.exe C:\data D:\backup /S /delete /L:D:\run.log
# mirrors and prunes the tree, and its console bytes and log file are those of
# the POSIX build run on the same tree (paths written the Windows way).
# Usage: drive-letters.sh VelCopy.exe [POSIX VelCopy]
set -u
exe="$1"
posix="${2:-}"
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/dosdevices" ]; then
    echo "drive-letters: needs WINEPREFIX naming a wine prefix"
    exit 1
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
drive_d="$WINEPREFIX/dosdevices/d:"
c_data="$WINEPREFIX/drive_c/data"
cleanup() {
    rm -f "$c_data"
    rm -f "$drive_d"
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "drive-letters: $*"
    failures=$((failures + 1))
}

make_tree() {  # <data folder> <backup folder>
    mkdir -p "$1/sub/deeper" "$2/old/inner"
    printf alpha >"$1/a.txt"
    head -c 70000 /dev/zero | tr '\0' b >"$1/sub/deeper/b.bin"
    printf gamma >"$1/sub/c.txt"
    printf old >"$2/gone.txt"
    printf old >"$2/old/inner/x.txt"
    touch -d @1700000000 "$1/a.txt" "$1/sub/c.txt" "$1/sub/deeper/b.bin"
}
# One entry in each folder: the order of a listing cannot change the output.
make_small_tree() {  # <data folder> <backup folder>
    mkdir -p "$1/sub" "$2/old"
    printf beta >"$1/sub/b.txt"
    printf old >"$2/old/x.txt"
}
tree_of() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }

# Runs both builds on one kind of tree (C:\data and D:\backup, with the log
# D:\run.log); the outputs are left in $work/<build>.console and .../d/run.log.
run_both() {  # <tree maker>
    rm -rf "$work/win" "$work/posix"
    "$1" "$work/win/data" "$work/win/d/backup"
    ln -sfn "$work/win/data" "$c_data"
    ln -sfn "$work/win/d" "$drive_d"
    bash "$here/../../../tools/wine-run.sh" "$exe" 'C:\data' 'D:\backup' /S /delete \
        '/L:D:\run.log' >"$work/win.console"
    status=$?
    [ "$status" -eq 0 ] || fail "exit code $status"
    [ "$(tree_of "$work/win/d/backup")" = "$(tree_of "$work/win/data")" ] ||
        fail "D:\\backup is not a mirror of C:\\data: $(tree_of "$work/win/d/backup" | tr '\n' ' ')"
    [ -n "$posix" ] || return 0
    "$1" "$work/posix/data" "$work/posix/d/backup"
    "$posix" "$work/posix/data" "$work/posix/d/backup" /S /delete "/L:$work/posix/d/run.log" \
        >"$work/posix.console"
}
# The POSIX run's paths written the Windows way ("0/3" in the progress line is
# no path).
as_windows() {
    sed -e "s#$work/posix/data#C:/data#g" -e "s#$work/posix/d#D:#g" -e 's#\([^0-9]\)/#\1\\#g' "$1"
}

run_both make_tree
cmp -s "$work/win/data/sub/deeper/b.bin" "$work/win/d/backup/sub/deeper/b.bin" ||
    fail "b.bin differs"
[ "$(stat -c %Y "$work/win/d/backup/a.txt")" = 1700000000 ] || fail "a.txt lost its time"
if [ -n "$posix" ]; then
    cmp -s <(as_windows "$work/posix/d/run.log" | LC_ALL=C sort) \
        <(LC_ALL=C sort "$work/win/d/run.log") ||
        fail "the log holds other lines than the POSIX build's:
$(diff <(as_windows "$work/posix/d/run.log" | LC_ALL=C sort) <(LC_ALL=C sort "$work/win/d/run.log"))"
    run_both make_small_tree
    cmp -s <(as_windows "$work/posix.console") "$work/win.console" ||
        fail "console bytes differ from the POSIX build's:
$(diff <(as_windows "$work/posix.console" | od -c) <(od -c "$work/win.console") | head -20)"
    cmp -s <(as_windows "$work/posix/d/run.log") "$work/win/d/run.log" ||
        fail "log files differ from the POSIX build's:
$(diff <(as_windows "$work/posix/d/run.log") "$work/win/d/run.log")"
fi

if [ "$failures" -ne 0 ]; then
    echo "0 passed, 1 failed"
    exit 1
fi
echo "drive-letters: C:\\data mirrored to D:\\backup$([ -n "$posix" ] && echo ', console and log as the POSIX build')"
