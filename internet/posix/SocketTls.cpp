// The TLS half of Socket: the handshake, sends and receives through the TLS
// session, and its end.

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "common/ErrorCodes.h"
#include "internet/client/Socket.h"
#include "internet/posix/OpenSslContext.h"

namespace platform::ftpclient {

namespace {

// How long the end of an upload's TLS stream waits for the peer to end its side.
constexpr int64_t MaxDrainMs = 10000;

}  // namespace

uint32_t Socket::StartTls(const TlsContext& context, const Socket* resumeFrom, int timeoutMs,
                          std::string& problem) {
    TlsSession resume;
    if (resumeFrom && resumeFrom->Tls) resume.reset(SSL_get1_session(resumeFrom->Tls->Ssl));
    Tls = new TlsStream;
    Tls->Ssl = static_cast<const OpenSslContext&>(context).NewConnection(resume.get());
    if (!Tls->Ssl || SSL_set_fd(Tls->Ssl, int(Fd)) != 1) {
        problem = "the TLS session could not be made: " + TakeTlsFailure("out of memory");
        FreeTls();
        return ErrorCode::InternetSecurityChannelError;
    }
    // Sends hand over what is left of a buffer, so a partial send moves on.
    SSL_set_mode(Tls->Ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(Tls->Ssl);
        if (result == 1) return 0;
        SocketWait waitFor = SocketWait::None;
        if (uint32_t error = TlsOutcome(result, waitFor)) {
            problem = "the TLS handshake failed: " + TakeTlsFailure("the connection ended");
            return error;
        }
        int left = -1;
        if (deadline != 0) {
            int64_t remaining = deadline - MonotonicMs();
            if (remaining <= 0) return ErrorCode::InternetTimeout;
            left = int(remaining);
        }
        if (uint32_t waited = Wait(waitFor, left)) return waited;
    }
}

bool Socket::TlsResumed() const {
    return Tls && SSL_session_reused(Tls->Ssl);
}

uint32_t Socket::CheckCertificate(const TlsContext& context, std::string& why) const {
    if (!Tls) return ErrorCode::InternetSecurityChannelError;
    return static_cast<const OpenSslContext&>(context).CheckCertificate(Tls->Ssl, why);
}

uint32_t Socket::TlsOutcome(int result, SocketWait& waitFor) {
    const int savedErrno = errno;
    switch (SSL_get_error(Tls->Ssl, result)) {
        case SSL_ERROR_WANT_READ:
            waitFor = SocketWait::Read;
            return 0;
        case SSL_ERROR_WANT_WRITE:
            waitFor = SocketWait::Write;
            return 0;
        case SSL_ERROR_ZERO_RETURN:
            // The peer ended its TLS stream; sending after it fails as a lost stream.
            return ErrorCode::InternetConnectionAborted;
        case SSL_ERROR_SYSCALL:
            TlsUnusable = true;
            if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
            return savedErrno == ECONNRESET ? ErrorCode::InternetConnectionReset
                                            : ErrorCode::InternetConnectionAborted;
        default: {
            TlsUnusable = true;
            if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
            // A connection that ends without the TLS end of stream was cut on the
            // way: like a plain connection that breaks, not a fault of TLS.
            if (ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
                return ErrorCode::InternetConnectionAborted;
            return ErrorCode::InternetSecurityChannelError;
        }
    }
}

size_t Socket::TlsSendSome(const char* data, size_t size, uint32_t& error, SocketWait& waitFor) {
    ERR_clear_error();
    size_t written = 0;
    const int result = SSL_write_ex(Tls->Ssl, data, size, &written);
    if (result == 1) return written;
    error = TlsOutcome(result, waitFor);
    ERR_clear_error();
    return 0;
}

uint32_t Socket::TlsReceive(char* data, size_t size, int timeoutMs, size_t& received) {
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        ERR_clear_error();
        size_t got = 0;
        const int result = SSL_read_ex(Tls->Ssl, data, size, &got);
        if (result == 1) {
            received = got;
            return 0;
        }
        if (SSL_get_error(Tls->Ssl, result) == SSL_ERROR_ZERO_RETURN) {
            // A shutdown by our own abort reads as an end of stream too.
            return Abort->Raised() ? ErrorCode::InternetConnectionAborted : 0;
        }
        SocketWait waitFor = SocketWait::None;
        uint32_t error = TlsOutcome(result, waitFor);
        ERR_clear_error();
        if (error != 0) return error;
        if (uint32_t waited = Wait(waitFor, timeoutMs)) return waited;
    }
}

uint32_t Socket::EndTls(int timeoutMs) {
    if (!Tls || TlsUnusable) return 0;
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    auto left = [&]() -> int {
        if (deadline == 0) return -1;
        return int(std::max<int64_t>(0, deadline - MonotonicMs()));
    };
    for (;;) {
        ERR_clear_error();
        const int result = SSL_shutdown(Tls->Ssl);
        // 0: our close_notify went out; the peer's answer is not awaited.
        if (result >= 0) break;
        SocketWait waitFor = SocketWait::None;
        if (uint32_t error = TlsOutcome(result, waitFor)) return error;
        if (waitFor == SocketWait::Read) break;
        if (left() == 0) return ErrorCode::InternetTimeout;
        if (uint32_t waited = Wait(waitFor, left())) return waited;
    }
    // The peer may have sent something that was never read (a TLS 1.3 server's
    // session tickets on an upload's connection). Closing over unread bytes resets
    // the connection, and a reset makes the peer drop what it had not read yet: the
    // end of the file. So the sending side is ended, and what comes is read and
    // dropped until the peer ends its side.
    // A peer that keeps its side open is not waited for long: its final reply
    // and the size check tell whether the file arrived whole.
    ::shutdown(int(Fd), SHUT_WR);
    const int64_t drainEnd = MonotonicMs() + MaxDrainMs;
    char scrap[4096];
    for (;;) {
        ssize_t got = recv(int(Fd), scrap, sizeof scrap, 0);
        if (got == 0) return 0;
        if (got > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return 0;  // it has gone: nothing to lose
        const int wait = int(std::min<int64_t>(drainEnd - MonotonicMs(), left() < 0 ? MaxDrainMs : left()));
        if (wait <= 0) return 0;
        if (uint32_t waited = Wait(SocketWait::Read, wait))
            return waited == ErrorCode::InternetTimeout ? 0 : waited;
    }
}

void Socket::FreeTls() {
    if (!Tls) return;
    if (!TlsUnusable && !Abort->Raised()) {
        // One try at a close_notify, without waiting: a session freed without one
        // counts as broken.
        ERR_clear_error();
        if (Tls->Ssl) SSL_shutdown(Tls->Ssl);
    }
    // Whatever happened, the session is not marked as one that must not be
    // resumed: the sessions of data connections are copies, and a control
    // connection's own ends with it.
    if (Tls->Ssl) {
        SSL_set_quiet_shutdown(Tls->Ssl, 1);
        SSL_free(Tls->Ssl);
    }
    ERR_clear_error();
    delete Tls;
    Tls = nullptr;
    TlsUnusable = false;
}

}  // namespace platform::ftpclient
