#pragma once
// Internal to the program's own FTP client: what one FTP connection's TLS sessions are
// made from (OpenSSL): the trust the user gave and the host name the
// certificate must carry, and the check of the certificate a handshake brought.
// Made once per control connection; its data connections share it.

#include <memory>
#include <string>

#include "internet/CertificateTrust.h"

struct ssl_ctx_st;
struct ssl_st;
struct ssl_session_st;
struct x509_st;

namespace platform::ftpclient {

struct TlsSessionFree {
    void operator()(ssl_session_st* session) const;
};
// A TLS session held for resumption by later connections.
using TlsSession = std::unique_ptr<ssl_session_st, TlsSessionFree>;

class TlsContext {
public:
    // 0, or ErrorCode::InternetSecurityChannelError with problem set (a PEM file
    // that holds no certificate that can be read, or no TLS library to use).
    static uint32_t Make(const CertificateTrust& trust, const std::string& host,
                         std::unique_ptr<TlsContext>& result, std::string& problem);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // A new TLS connection state that checks the host name and resumes resume
    // (when given; a copy of it, so that nothing this connection meets can make
    // the original unusable for the next one). Null when out of memory.
    ssl_st* NewConnection(ssl_session_st* resume) const;

    // After a handshake: 0 when the server's certificate is trusted, else
    // ErrorCode::InternetCertificateNotTrusted with why set to three lines (CR LF
    // between them): the reason, "Subject: ..." and "SHA-256 fingerprint: ...".
    uint32_t CheckCertificate(ssl_st* connection, std::string& why) const;

private:
    TlsContext(const CertificateTrust& trust, const std::string& host);

    ssl_ctx_st* Context = nullptr;
    const CertificateTrust Trust;
    const std::string Host;
};

// A certificate that is not trusted, as the user is told of it: three lines (CR
// LF between them), the reason, "Subject: ..." and "SHA-256 fingerprint: AA:...".
// The subject is the server's to choose: control characters in it are shown as
// "?", so that it cannot make lines of its own.
std::string UntrustedCertificateAccount(x509_st* certificate, const std::string& reason);

// The reason of the TLS library's last failure on this thread ("wrong version
// number"), or fallback when it has none; its queue is emptied.
std::string TakeTlsFailure(const std::string& fallback);

}  // namespace platform::ftpclient
