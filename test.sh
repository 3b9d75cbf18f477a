#!/usr/bin/env bash
# Installs what the tests need (only what is missing), then builds and runs every
# test twice: a normal build, and one with AddressSanitizer and
# UndefinedBehaviorSanitizer; then cross-builds the Windows program and its tests
# and runs them under wine.
#   ./test.sh            every stage
#   ./test.sh --posix    the two POSIX stages
#   ./test.sh --windows  the Windows stage
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here"
stages="${1:-all}"

if [ "$stages" = "--windows-inside" ]; then
  # The Windows stage proper, as the user that runs it (see windows_stage).
  root="$2" source="$3" posix_binary="${4:-}"
  export HOME="$root/home" WINEPREFIX="$root/prefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$HOME" "$WINEPREFIX"
  # One wine server for the whole stage, started before anything else uses the
  # prefix: each program then starts in milliseconds, and none meets a server
  # that is shutting down.
  /usr/lib/wine/wineserver -p
  trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  jobs="$(nproc)"
  cmake -S "$source" -B "$root/build" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVEL_POSIX_VELCOPY="$posix_binary" >/dev/null
  cmake --build "$root/build" -j"$jobs"
  cd "$root/build"
  status=0
  # Now and then a test program under wine ends at once without a line of output
  # (twice in three runs of the 252 tests, another test each time); a second
  # run tells that from a test that fails.
  ctest --output-on-failure -j"$jobs" --timeout 300 --repeat until-pass:2 || status=$?
  # What wine cannot show is skipped with its reason; say which and why.
  grep -h "not under wine:" Testing/Temporary/LastTest.log 2>/dev/null | sort -u |
    sed "s/^.*not under wine: /skipped under wine: /" || true
  exit "$status"
fi

sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
updated=""
install_missing() {  # [apt-get install options...] -- packages...
  local options=() missing=()
  while [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  ((${#missing[@]})) || return 0
  echo "test.sh: installing ${missing[*]}"
  [ -n "$updated" ] || { $sudo_cmd apt-get update -qq; updated=1; }
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${options[@]}" "${missing[@]}"
}
install_missing -- cmake g++ make libgtest-dev libgmock-dev libssl-dev python3 python3-pyftpdlib \
  python3-openssl openssl vsftpd rsync curl locales
if [ "$stages" != "--posix" ]; then
  # The Windows stage: the cross compiler, and wine without the desktop it recommends.
  install_missing -- g++-mingw-w64-x86-64-posix
  install_missing --no-install-recommends -- wine64
fi

# The FTP tests run ProFTPD and Pure-FTPd from their unpacked packages (they
# conflict with vsftpd); the scripts fetch those once, here, never during a test.
if [ "$(id -u)" -eq 0 ] || command -v sudo >/dev/null; then
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd bash tools/ftp-servers/prepare.sh
fi

# The date tests also read and write dates in a day-month-year locale.
if ! locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$'; then
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "test.sh: no de_DE locale; its test will skip"
fi

jobs="$(nproc)"
run_suite() {
  local dir="$1"; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300)
}

# Wine refuses a prefix that is not its user's own, and for root it lets writes
# through read-only files: the stage runs as an ordinary user (nobody, when
# test.sh runs as root) in a folder of its own under /tmp, on a copy of the
# sources that this user can read.
windows_stage() {
  local started=$SECONDS root posix_binary=""
  root="$(mktemp -d /tmp/velcopy-windows.XXXXXX)"
  chmod 755 "$root"
  if [ -x build-tests/VelCopy ]; then
    cp build-tests/VelCopy "$root/VelCopy-posix"
    posix_binary="$root/VelCopy-posix"
  fi
  rsync -a --exclude '/build*' --exclude '/.git' "$here/" "$root/source/"
  local status=0
  if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$root"
    runuser -u nobody -- bash "$root/source/test.sh" --windows-inside "$root" "$root/source" \
      "$posix_binary" || status=$?
  else
    bash "$root/source/test.sh" --windows-inside "$root" "$root/source" "$posix_binary" ||
      status=$?
  fi
  rm -rf "$root"
  echo "test.sh: Windows stage took $((SECONDS - started)) s"
  return "$status"
}

# The tests that run the program's copies side by side, with the program and the
# tests built with ThreadSanitizer. A race is written to a report file by any
# process of the run (the tests start the program many times), and any report
# fails the stage.
tsan_stage() {
  local reports
  reports="$(mktemp -d /tmp/velcopy-tsan.XXXXXX)"
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEL_TSAN=ON >/dev/null
  cmake --build build-tsan -j"$jobs" --target VelCopy test_main
  local status=0
  (cd build-tsan && TSAN_OPTIONS="log_path=$reports/race second_deadlock_stack=1 suppressions=$here/tools/tsan.supp" \
    ctest --output-on-failure -j"$jobs" --timeout 300 -R "EndToEndParallel|EndToEndFtpTls") ||
    status=$?
  if compgen -G "$reports/race*" >/dev/null; then
    cat "$reports"/race*
    echo "test.sh: ThreadSanitizer reported the races above"
    status=1
  fi
  rm -rf "$reports"
  return "$status"
}

if [ "$stages" != "--windows" ]; then
  echo "== tests =="
  run_suite build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo
  echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON
  echo "== copies made at once (/MT) under ThreadSanitizer =="
  tsan_stage
fi
if [ "$stages" != "--posix" ]; then
  echo "== Windows build, tests under wine =="
  windows_stage
fi
