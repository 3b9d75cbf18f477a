#pragma once
// Internal to the POSIX FTP client: the TLS context of a connection in OpenSSL's
// terms, the TLS state of a secured socket, and the check of the certificate a
// handshake brought.

#include <memory>
#include <string>

#include "internet/client/TlsContext.h"

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

// The TLS state of one secured Socket.
struct TlsStream {
    ssl_st* Ssl = nullptr;
};

class OpenSslContext : public TlsContext {
public:
    OpenSslContext(const CertificateTrust& trust, const std::string& host)
        : TlsContext(trust, host) {}
    ~OpenSslContext() override;

    // A new TLS connection state that checks the host name and resumes resume
    // (when given; a copy of it, so that nothing this connection meets can make
    // the original unusable for the next one). Null when out of memory.
    ssl_st* NewConnection(ssl_session_st* resume) const;

    // After a handshake: 0 when the server's certificate is trusted, else
    // ErrorCode::InternetCertificateNotTrusted with why set (Socket::CheckCertificate).
    uint32_t CheckCertificate(ssl_st* connection, std::string& why) const;

    ssl_ctx_st* Context = nullptr;
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
