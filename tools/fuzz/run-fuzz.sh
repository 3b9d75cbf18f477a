#!/bin/sh
# Builds the FTP fuzz targets with clang's libFuzzer and runs one or both for a
# given number of seconds. Not part of the normal build or CI.
#
#   tools/fuzz/run-fuzz.sh reply|listing|tls|all SECONDS [BUILD_DIR]
#
# The corpus grows in BUILD_DIR/corpus-<target> (seeded from tools/fuzz/seeds);
# crashes are written to BUILD_DIR as crash-*.
set -eu

target=${1:?usage: run-fuzz.sh reply|listing|tls|all SECONDS [BUILD_DIR]}
seconds=${2:?usage: run-fuzz.sh reply|listing|tls|all SECONDS [BUILD_DIR]}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${3:-$root/build-fuzz}

compiler=$(command -v clang++ || true)
if [ -z "$compiler" ]; then
    echo "clang++ not found; the fuzz targets need clang's libFuzzer" >&2
    exit 1
fi

mkdir -p "$build"
common="$root/internet/protocol/FtpReply.cpp $root/internet/protocol/PassiveReply.cpp \
$root/internet/protocol/ListingParser.cpp $root/internet/protocol/ListingFields.cpp \
$root/internet/protocol/UnixListingLine.cpp $root/internet/protocol/DosListingLine.cpp \
$root/internet/protocol/ListingReader.cpp \
$root/common/FileTimeCalendar.cpp $root/common/DateTime.cpp"
# What FTP over TLS reads from outside: certificates, /Cert values, FEAT replies.
tls_sources="$root/internet/posix/OpenSslContext.cpp $root/internet/CertificateTrust.cpp \
$root/ftp/ServerFeatures.cpp $root/ftp/FtpResponse.cpp"
flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$root"

run_one() {
    name=$1
    source=$2
    extra=${3:-}
    binary="$build/fuzz-$name"
    # shellcheck disable=SC2086
    "$compiler" $flags "$root/tools/fuzz/$source" $common $extra -o "$binary"
    corpus="$build/corpus-$name"
    mkdir -p "$corpus"
    cp -n "$root/tools/fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
    echo "== $name: $seconds s"
    (cd "$build" && "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=5 \
        -print_final_stats=1 "$corpus")
}

case $target in
    reply) run_one reply FtpReplyFuzzer.cpp ;;
    listing) run_one listing ListingFuzzer.cpp ;;
    tls) run_one tls TlsFuzzer.cpp "$tls_sources -lssl -lcrypto" ;;
    all)
        run_one reply FtpReplyFuzzer.cpp
        run_one listing ListingFuzzer.cpp
        run_one tls TlsFuzzer.cpp "$tls_sources -lssl -lcrypto"
        ;;
    *)
        echo "unknown target: $target (reply, listing, tls or all)" >&2
        exit 1
        ;;
esac
