// The TLS half of Socket on Windows, over the system's TLS (Schannel through
// SSPI) on a non-blocking socket: the handshake, records encrypted and decrypted
// here, and the end of the TLS stream.

#include <winsock2.h>

#include "internet/win32/SchannelContext.h"

#include <algorithm>
#include <cstring>

#include "common/ErrorCodes.h"
#include "internet/client/Socket.h"

namespace platform::ftpclient {

namespace {

// How long the end of an upload's TLS stream waits for the peer to end its side.
constexpr int64_t MaxDrainMs = 10000;
// More than one TLS record (16 KiB and its overhead) is never read ahead.
constexpr size_t ReceiveChunk = 17 * 1024;

constexpr DWORD HandshakeFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                 ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                 ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                 ISC_REQ_MANUAL_CRED_VALIDATION;

SOCKET AsSocket(intptr_t fd) {
    return SOCKET(fd);
}

int Left(int64_t deadline) {
    if (deadline == 0) return -1;
    return int(std::max<int64_t>(0, deadline - MonotonicMs()));
}

uint32_t StreamError(int reason) {
    return reason == WSAECONNRESET ? ErrorCode::InternetConnectionReset
                                   : ErrorCode::InternetConnectionAborted;
}

// The system's output token of a handshake step, freed once sent.
struct OutputToken {
    SecBuffer Buffer{0, SECBUFFER_TOKEN, nullptr};
    ~OutputToken() {
        if (Buffer.pvBuffer) ::FreeContextBuffer(Buffer.pvBuffer);
    }
};

}  // namespace

uint32_t Socket::SendRaw(const char* data, size_t size, int64_t deadline) {
    while (size > 0) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        const int sent = ::send(AsSocket(Fd), data, int(std::min<size_t>(size, 1 << 20)), 0);
        if (sent > 0) {
            data += sent;
            size -= size_t(sent);
            continue;
        }
        const int reason = ::WSAGetLastError();
        if (reason != WSAEWOULDBLOCK && reason != WSAEINTR) return StreamError(reason);
        const int left = Left(deadline);
        if (left == 0) return ErrorCode::InternetTimeout;
        if (uint32_t waited = Wait(SocketWait::Write, left)) return waited;
    }
    return 0;
}

uint32_t Socket::StartTls(const TlsContext& context, const Socket* /*resumeFrom*/, int timeoutMs,
                          std::string& problem) {
    // The system resumes the session it cached for the same credentials and target
    // name: a data connection made from its control connection's context does.
    const auto& system = static_cast<const SchannelContext&>(context);
    Tls = new TlsStream;
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    Tls->Credentials = system.Credentials;
    CredHandle& credentials = Tls->Credentials;
    std::wstring target = system.TargetName;
    auto fail = [&](uint32_t error, const std::string& why) {
        TlsUnusable = true;
        if (!why.empty()) problem = "the TLS handshake failed: " + why;
        return Abort->Raised() ? ErrorCode::InternetConnectionAborted : error;
    };
    bool first = true;
    bool needMore = false;
    bool recordSeen = false;
    char chunk[ReceiveChunk];
    for (;;) {
        if (Abort->Raised()) return fail(ErrorCode::InternetConnectionAborted, "");
        if (!first && (needMore || Tls->In.empty())) {
            const int got = ::recv(AsSocket(Fd), chunk, sizeof chunk, 0);
            if (got == 0) return fail(ErrorCode::InternetConnectionAborted, "the connection ended");
            if (got < 0) {
                const int reason = ::WSAGetLastError();
                if (reason != WSAEWOULDBLOCK && reason != WSAEINTR)
                    return fail(StreamError(reason), "the connection broke");
                const int left = Left(deadline);
                if (left == 0) return fail(ErrorCode::InternetTimeout, "");
                if (uint32_t waited = Wait(SocketWait::Read, left)) return fail(waited, "");
                continue;
            }
            Tls->In.append(chunk, size_t(got));
            needMore = false;
            // What is not a TLS record (a handshake or an alert of TLS 1.x) is
            // refused at once: the system's TLS may wait for the rest of a
            // "record" whose length is plain text, until the time limit.
            if (!recordSeen && Tls->In.size() >= 2) {
                recordSeen = true;
                const unsigned char type = static_cast<unsigned char>(Tls->In[0]);
                if ((type != 0x15 && type != 0x16) || Tls->In[1] != '\x03')
                    return fail(ErrorCode::InternetSecurityChannelError, "wrong version number");
            }
        }
        SecBuffer input[2] = {
            {DWORD(Tls->In.size()), SECBUFFER_TOKEN, Tls->In.data()},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
        OutputToken token;
        SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &token.Buffer};
        ULONG attributes = 0;
        SECURITY_STATUS status = ::InitializeSecurityContextW(
            &credentials, first ? nullptr : &Tls->Context, target.empty() ? nullptr : target.data(),
            HandshakeFlags, 0, 0, first ? nullptr : &inputDesc, 0,
            first ? &Tls->Context : nullptr, &outputDesc, &attributes, nullptr);
        if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK))
            Tls->HasContext = true;
        first = false;
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (token.Buffer.cbBuffer > 0 && token.Buffer.pvBuffer) {
            // A failed step may still have an alert for the server.
            uint32_t sent = SendRaw(static_cast<const char*>(token.Buffer.pvBuffer),
                                      token.Buffer.cbBuffer, deadline);
            if (sent != 0 && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED))
                return fail(sent, "");
        }
        if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
            status == SEC_I_INCOMPLETE_CREDENTIALS) {
            if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0)
                Tls->In.erase(0, Tls->In.size() - input[1].cbBuffer);
            else
                Tls->In.clear();
        }
        if (status == SEC_E_OK) break;
        if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) continue;
        return fail(ErrorCode::InternetSecurityChannelError, SecurityStatusText(status));
    }
    if (::QueryContextAttributesW(&Tls->Context, SECPKG_ATTR_STREAM_SIZES, &Tls->Sizes) != SEC_E_OK)
        return fail(ErrorCode::InternetSecurityChannelError, "the record sizes are not known");
    SecPkgContext_ConnectionInfo info{};
    if (::QueryContextAttributesW(&Tls->Context, SECPKG_ATTR_CONNECTION_INFO, &info) == SEC_E_OK &&
        (info.dwProtocol & (SP_PROT_SSL2 | SP_PROT_SSL3 | SP_PROT_TLS1_0 | SP_PROT_TLS1_1)) != 0)
        return fail(ErrorCode::InternetSecurityChannelError, "unsupported protocol");
    return 0;
}

bool Socket::TlsResumed() const {
    if (!Tls || !Tls->HasContext) return false;
    SecPkgContext_SessionInfo info{};
    if (::QueryContextAttributesW(&Tls->Context, SECPKG_ATTR_SESSION_INFO, &info) != SEC_E_OK)
        return false;
    return (info.dwFlags & SSL_SESSION_RECONNECT) != 0;
}

uint32_t Socket::CheckCertificate(const TlsContext& context, std::string& why) const {
    if (!Tls || !Tls->HasContext) return ErrorCode::InternetSecurityChannelError;
    PCCERT_CONTEXT certificate = nullptr;
    if (::QueryContextAttributesW(const_cast<CtxtHandle*>(&Tls->Context),
                                  SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        !certificate) {
        why = "the server showed no certificate";
        return ErrorCode::InternetCertificateNotTrusted;
    }
    uint32_t verdict = static_cast<const SchannelContext&>(context).CheckCertificate(certificate, why);
    ::CertFreeCertificateContext(certificate);
    return verdict;
}

size_t Socket::TlsSendSome(const char* data, size_t size, uint32_t& error, SocketWait& waitFor) {
    waitFor = SocketWait::Write;
    if (TlsUnusable || Tls->Ended) {
        error = ErrorCode::InternetConnectionAborted;
        return 0;
    }
    if (Tls->OutAt >= Tls->Out.size()) {
        // A new record of as much as one may hold.
        const size_t part = std::min<size_t>(size, Tls->Sizes.cbMaximumMessage);
        Tls->Out.assign(Tls->Sizes.cbHeader + part + Tls->Sizes.cbTrailer, '\0');
        std::memcpy(Tls->Out.data() + Tls->Sizes.cbHeader, data, part);
        SecBuffer buffers[4] = {
            {Tls->Sizes.cbHeader, SECBUFFER_STREAM_HEADER, Tls->Out.data()},
            {DWORD(part), SECBUFFER_DATA, Tls->Out.data() + Tls->Sizes.cbHeader},
            {Tls->Sizes.cbTrailer, SECBUFFER_STREAM_TRAILER,
             Tls->Out.data() + Tls->Sizes.cbHeader + part},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
        if (::EncryptMessage(&Tls->Context, 0, &description, 0) != SEC_E_OK) {
            TlsUnusable = true;
            error = ErrorCode::InternetSecurityChannelError;
            return 0;
        }
        Tls->Out.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        Tls->OutAt = 0;
        Tls->OutPlain = part;
    }
    // The record goes out whole before its plain text counts as sent; a caller
    // that has to wait offers the same bytes again.
    while (Tls->OutAt < Tls->Out.size()) {
        const int sent = ::send(AsSocket(Fd), Tls->Out.data() + Tls->OutAt,
                                int(Tls->Out.size() - Tls->OutAt), 0);
        if (sent > 0) {
            Tls->OutAt += size_t(sent);
            continue;
        }
        const int reason = ::WSAGetLastError();
        if (reason == WSAEWOULDBLOCK || reason == WSAEINTR) return 0;
        TlsUnusable = true;
        error = Abort->Raised() ? ErrorCode::InternetConnectionAborted : StreamError(reason);
        return 0;
    }
    Tls->Out.clear();
    Tls->OutAt = 0;
    return Tls->OutPlain;
}

uint32_t Socket::TlsReceive(char* data, size_t size, int timeoutMs, size_t& received) {
    char chunk[ReceiveChunk];
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        if (Tls->PlainAt < Tls->Plain.size()) {
            received = std::min(size, Tls->Plain.size() - Tls->PlainAt);
            std::memcpy(data, Tls->Plain.data() + Tls->PlainAt, received);
            Tls->PlainAt += received;
            return 0;
        }
        if (Tls->PeerEnded) return 0;
        if (TlsUnusable) return ErrorCode::InternetSecurityChannelError;
        bool needMore = Tls->In.empty();
        if (!needMore) {
            SecBuffer buffers[4] = {
                {DWORD(Tls->In.size()), SECBUFFER_DATA, Tls->In.data()},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
            SECURITY_STATUS status = ::DecryptMessage(&Tls->Context, &description, 0, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                needMore = true;
            } else if (status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED ||
                       status == SEC_I_RENEGOTIATE) {
                std::string extra;
                Tls->Plain.clear();
                Tls->PlainAt = 0;
                for (const SecBuffer& buffer : buffers) {
                    if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0)
                        Tls->Plain.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                    if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer > 0)
                        extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                }
                Tls->In = std::move(extra);
                // Wine's TLS answers the peer's close_notify as a record without
                // data, not as the end of the context: only a connection that
                // ends right after such a record has ended its TLS stream.
                Tls->EmptyRecordLast = status == SEC_E_OK && Tls->Plain.empty();
                if (status == SEC_I_CONTEXT_EXPIRED) {
                    // The peer's close_notify: its TLS end of stream. A shutdown by
                    // our own abort reads as an end of stream too.
                    Tls->PeerEnded = true;
                    if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
                } else if (status == SEC_I_RENEGOTIATE) {
                    // A handshake message after the handshake (TLS 1.3 tickets, a
                    // key update): the system takes it through the handshake call.
                    SecBuffer input[2] = {
                        {DWORD(Tls->In.size()), SECBUFFER_TOKEN, Tls->In.data()},
                        {0, SECBUFFER_EMPTY, nullptr},
                    };
                    SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
                    OutputToken token;
                    SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &token.Buffer};
                    ULONG attributes = 0;
                    SECURITY_STATUS again = ::InitializeSecurityContextW(
                        &Tls->Credentials, &Tls->Context, nullptr, HandshakeFlags, 0, 0, &inputDesc, 0,
                        nullptr, &outputDesc, &attributes, nullptr);
                    if (again != SEC_E_OK && again != SEC_I_CONTINUE_NEEDED) {
                        TlsUnusable = true;
                        return ErrorCode::InternetSecurityChannelError;
                    }
                    if (token.Buffer.cbBuffer > 0 && token.Buffer.pvBuffer) {
                        if (uint32_t sent = SendRaw(static_cast<const char*>(token.Buffer.pvBuffer),
                                                      token.Buffer.cbBuffer, 0))
                            return sent;
                    }
                    if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0)
                        Tls->In.erase(0, Tls->In.size() - input[1].cbBuffer);
                    else
                        Tls->In.clear();
                }
                continue;
            } else {
                TlsUnusable = true;
                return Abort->Raised() ? ErrorCode::InternetConnectionAborted
                                       : ErrorCode::InternetSecurityChannelError;
            }
        }
        if (needMore) {
            const int got = ::recv(AsSocket(Fd), chunk, sizeof chunk, 0);
            if (got == 0) {
                if (Tls->EmptyRecordLast && Tls->In.empty()) {
                    Tls->PeerEnded = true;
                    return Abort->Raised() ? ErrorCode::InternetConnectionAborted : 0;
                }
                // The connection ended without the TLS end of stream: it was cut on
                // the way, like a plain connection that breaks.
                TlsUnusable = true;
                return ErrorCode::InternetConnectionAborted;
            }
            if (got > 0) {
                Tls->In.append(chunk, size_t(got));
                continue;
            }
            const int reason = ::WSAGetLastError();
            if (reason != WSAEWOULDBLOCK && reason != WSAEINTR) {
                TlsUnusable = true;
                return Abort->Raised() ? ErrorCode::InternetConnectionAborted : StreamError(reason);
            }
            if (uint32_t waited = Wait(SocketWait::Read, timeoutMs)) return waited;
        }
    }
}

uint32_t Socket::EndTls(int timeoutMs) {
    if (!Tls || TlsUnusable || !Tls->HasContext || Tls->Ended) return 0;
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    // A record that has not gone out whole goes first.
    if (Tls->OutAt < Tls->Out.size()) {
        if (uint32_t error = SendRaw(Tls->Out.data() + Tls->OutAt,
                                       Tls->Out.size() - Tls->OutAt, deadline))
            return error;
        Tls->Out.clear();
        Tls->OutAt = 0;
    }
    DWORD shutdownToken = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof shutdownToken, SECBUFFER_TOKEN, &shutdownToken};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    Tls->Ended = true;
    if (::ApplyControlToken(&Tls->Context, &controlDesc) == SEC_E_OK) {
        OutputToken token;
        SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &token.Buffer};
        ULONG attributes = 0;
        SECURITY_STATUS status = ::InitializeSecurityContextW(
            &Tls->Credentials, &Tls->Context, nullptr, HandshakeFlags, 0, 0, nullptr, 0, nullptr,
            &outputDesc, &attributes, nullptr);
        if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && token.Buffer.cbBuffer > 0) {
            if (uint32_t error = SendRaw(static_cast<const char*>(token.Buffer.pvBuffer),
                                           token.Buffer.cbBuffer, deadline))
                return error;
        }
    }
    // As on POSIX: the sending side is ended, and what the peer still sends (a
    // TLS 1.3 server's session tickets) is read and dropped until it ends its
    // side, so that the close resets nothing the peer has not read yet.
    ::shutdown(AsSocket(Fd), SD_SEND);
    const int64_t drainEnd = MonotonicMs() + MaxDrainMs;
    char scrap[4096];
    for (;;) {
        const int got = ::recv(AsSocket(Fd), scrap, sizeof scrap, 0);
        if (got == 0) return 0;
        if (got > 0) continue;
        const int reason = ::WSAGetLastError();
        if (reason != WSAEWOULDBLOCK && reason != WSAEINTR) return 0;  // it has gone
        const int left = Left(deadline);
        const int wait = int(std::min<int64_t>(drainEnd - MonotonicMs(), left < 0 ? MaxDrainMs : left));
        if (wait <= 0) return 0;
        if (uint32_t waited = Wait(SocketWait::Read, wait))
            return waited == ErrorCode::InternetTimeout ? 0 : waited;
    }
}

void Socket::FreeTls() {
    if (!Tls) return;
    if (Tls->HasContext) {
        // Not after a record that went out in part: the close_notify would land
        // in its middle.
        if (!TlsUnusable && !Tls->Ended && !Abort->Raised() && Fd >= 0 &&
            Tls->OutAt >= Tls->Out.size()) {
            // One try at a close_notify, without waiting.
            DWORD shutdownToken = SCHANNEL_SHUTDOWN;
            SecBuffer control{sizeof shutdownToken, SECBUFFER_TOKEN, &shutdownToken};
            SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
            if (::ApplyControlToken(&Tls->Context, &controlDesc) == SEC_E_OK) {
                OutputToken token;
                SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &token.Buffer};
                ULONG attributes = 0;
                SECURITY_STATUS status = ::InitializeSecurityContextW(
                    &Tls->Credentials, &Tls->Context, nullptr, HandshakeFlags, 0, 0, nullptr, 0,
                    nullptr, &outputDesc, &attributes, nullptr);
                if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) &&
                    token.Buffer.cbBuffer > 0)
                    ::send(AsSocket(Fd), static_cast<const char*>(token.Buffer.pvBuffer),
                           int(token.Buffer.cbBuffer), 0);
            }
        }
        ::DeleteSecurityContext(&Tls->Context);
    }
    delete Tls;
    Tls = nullptr;
    TlsUnusable = false;
}

}  // namespace platform::ftpclient
