#pragma once
// Internal to the program's own FTP client: what one FTP connection's TLS
// sessions are made from: the trust the user gave and the host name the
// certificate must carry. Made once per control connection; its data connections
// share it. Each system makes its own (internet/posix/: OpenSSL; internet/win32/:
// the system's TLS), and its sockets use it (Socket::StartTls,
// Socket::CheckCertificate).

#include <memory>
#include <string>

#include "internet/CertificateTrust.h"

namespace platform::ftpclient {

class TlsContext {
public:
    // 0, or ErrorCode::InternetSecurityChannelError with problem set (a PEM file
    // that holds no certificate that can be read, or no TLS library to use).
    static uint32_t Make(const CertificateTrust& trust, const std::string& host,
                         std::unique_ptr<TlsContext>& result, std::string& problem);
    virtual ~TlsContext() = default;
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    const CertificateTrust Trust;
    const std::string Host;

protected:
    TlsContext(const CertificateTrust& trust, const std::string& host)
        : Trust(trust), Host(host) {}
};

}  // namespace platform::ftpclient
