#!/usr/bin/env bash
# Installs what the tests need (only what is missing), then builds and runs every
# test twice: a normal build, and one with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here"

packages=(cmake g++ make libgtest-dev libgmock-dev python3 python3-pyftpdlib vsftpd rsync curl locales)
missing=()
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if ((${#missing[@]})); then
  echo "test.sh: installing ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
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

echo "== tests =="
run_suite build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON
