#!/bin/bash
# prepare.sh: fetches, once, everything the start scripts need, so that servers
# then start without apt-get (FTPM_NO_FETCH=1, as the tests start them):
#   the packages vsftpd, python3-pyftpdlib, openssl (password hashes) and the tools
#   the scripts call (unshare, mount, setsid, ldd, apt-get download, dpkg-deb);
#   ProFTPD (proftpd-core; with proftpd-mod-crypto for mod_tls, the FTPM_TLS
#   variants) and Pure-FTPd (pure-ftpd) unpacked under $FTPM_CACHE
#   (default /tmp/ftpm-cache) with the libraries they need. They conflict with
#   vsftpd as packages, so they are never installed.
# Run as root. Does nothing when all is in place; exits non-zero when something
# cannot be fetched.
set -e
. "$(dirname "$0")/common.sh"
[ "$(id -u)" = 0 ] || ftpm_die "run as root"
unset FTPM_NO_FETCH
ftpm_need_pkg vsftpd python3-pyftpdlib openssl util-linux mount libc-bin apt dpkg coreutils
mkdir -p "$FTPM_CACHE"
D=$(ftpm_deb_root proftpd-core)
ftpm_need_libs_for "$D/usr/sbin/proftpd" "${FTPM_PROFTPD_LIBS[@]}"
D=$(ftpm_deb_root proftpd-core proftpd-mod-crypto)
ftpm_need_libs_for "$D/usr/sbin/proftpd" "${FTPM_PROFTPD_LIBS[@]}"
ftpm_need_libs_for "$D/usr/lib/proftpd/mod_tls.so" "${FTPM_PROFTPD_LIBS[@]}"
D=$(ftpm_deb_root pure-ftpd)
ftpm_need_libs_for "$D/usr/sbin/pure-ftpd" "${FTPM_PUREFTPD_LIBS[@]}"
ftpm_log "servers ready (cache $FTPM_CACHE)"
