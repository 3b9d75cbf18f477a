#pragma once
// Internal to the own FTP client on Windows: the TLS context of a connection in
// the system's terms (Schannel through SSPI): one credentials handle for the
// control connection and all its data connections, so that these resume the
// control connection's session (the system caches sessions per credentials and
// target name), the trusted roots of a PEM file, and the check of the
// certificate a handshake brought, against the system's certificate store and
// the host name.

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <string>

#include "internet/client/TlsContext.h"

namespace platform::ftpclient {

// The TLS state of one secured Socket.
struct TlsStream {
    CredHandle Credentials{};  // the context's, which outlives the socket
    CtxtHandle Context{};
    bool HasContext = false;
    SecPkgContext_StreamSizes Sizes{};
    std::string In;        // received, not yet decrypted
    std::string Plain;     // decrypted, not yet handed out (from PlainAt)
    size_t PlainAt = 0;
    std::string Out;       // one encrypted record, not yet sent whole (from OutAt)
    size_t OutAt = 0;
    size_t OutPlain = 0;   // the bytes of plain text that record carries
    bool PeerEnded = false;  // the peer ended its TLS stream
    bool EmptyRecordLast = false;  // the last record decrypted held no data
    bool Ended = false;      // our end of the TLS stream went out
};

class SchannelContext : public TlsContext {
public:
    SchannelContext(const CertificateTrust& trust, const std::string& host);
    ~SchannelContext() override;

    // 0, or ErrorCode::InternetSecurityChannelError with problem set.
    uint32_t Set(std::string& problem);

    // The server's certificate (of a handshake on context): 0 when trusted, else
    // ErrorCode::InternetCertificateNotTrusted with why set (Socket::CheckCertificate).
    uint32_t CheckCertificate(PCCERT_CONTEXT certificate, std::string& why) const;

    CredHandle Credentials{};
    bool HasCredentials = false;
    std::wstring TargetName;  // the host, as the handshake names it to the server

private:
    HCERTSTORE PemRoots = nullptr;
};

// What a failed SSPI call says ("SEC_E_...: 0x8009030c").
std::string SecurityStatusText(SECURITY_STATUS status);

}  // namespace platform::ftpclient
