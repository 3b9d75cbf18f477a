#pragma once
// Internal to the program's own FTP client: non-blocking TCP sockets whose every wait can
// be cut short by an AbortSignal, with time limits, and errors given as the
// Internet codes of common/ErrorCodes.h. A socket may be secured with TLS
// (StartTls); its sends and receives then go through the TLS session. Each
// system implements it (internet/posix/: BSD sockets and OpenSSL;
// internet/win32/: Windows sockets and the system's TLS).
//
// Threads: a Socket is used by one thread (the one running the call); only
// AbortSignal::Raise is called from other threads. Raise never closes a
// descriptor: it wakes the waits and shuts the registered sockets down; each
// descriptor is closed once, by the destructor of the Socket that owns it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace platform::ftpclient {

class TlsContext;
// The system's TLS state of one secured socket (internet/posix/, internet/win32/).
struct TlsStream;

// Milliseconds of a clock that only moves forward.
int64_t MonotonicMs();

// A socket address of either family, in the system's form.
struct SocketAddress {
    alignas(8) unsigned char Storage[128] = {};
    uint32_t Length = 0;

    bool IsIpv6() const;
    uint16_t Port() const;
    void SetPort(uint16_t port);
    // The numeric host ("127.0.0.1", "::1").
    std::string HostText() const;
    bool SameHost(const SocketAddress& other) const;
};

// Shared by a connection and everything that waits on its behalf. Once raised it
// stays raised.
class AbortSignal {
public:
    AbortSignal();
    ~AbortSignal();
    AbortSignal(const AbortSignal&) = delete;
    AbortSignal& operator=(const AbortSignal&) = delete;

    // Any thread: wakes every wait and shuts down every registered socket.
    void Raise();
    bool Raised() const { return Flag.load(std::memory_order_acquire); }
    // What a wait watches besides its socket (POSIX: an eventfd), or -1.
    intptr_t WakeDescriptor() const { return Wake; }

    void Register(intptr_t fd);
    void Unregister(intptr_t fd);

private:
    intptr_t Wake = -1;
    std::atomic<bool> Flag{false};
    std::mutex Lock;  // guards Sockets and the shutdown of its members
    std::set<intptr_t> Sockets;
};

// What a wait waits for.
enum class SocketWait { None, Read, Write };

class Socket {
public:
    Socket() = default;
    Socket(std::shared_ptr<AbortSignal> abort, intptr_t fd);
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool Valid() const { return Fd >= 0; }
    void Close();
    // Closes with a reset rather than an orderly end: nothing is left waiting at
    // either end (no TIME-WAIT). Only for a connection whose peer has ended its
    // stream and whose outcome is settled.
    void CloseAbruptly();

    // Resolves host (numeric or by name) and connects to the first address that
    // accepts within timeoutMs each. 0 or ErrorCode::InternetNameNotResolved,
    // InternetCannotConnect, InternetTimeout, InternetConnectionAborted.
    static uint32_t Connect(std::shared_ptr<AbortSignal> abort, const std::string& host,
                            uint16_t port, int timeoutMs, Socket& result);
    static uint32_t ConnectTo(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                              int timeoutMs, Socket& result);
    // A listening socket on address's host, any free port (ListeningPort.h).
    // noPortFree (when given) tells a failure for want of a free local port.
    static uint32_t Listen(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                           Socket& result, bool* noPortFree = nullptr);
    // Waits for one connection from a peer on expectedPeer's host; other peers are
    // turned away. 0 or ErrorCode::InternetTimeout,
    // InternetConnectionAborted.
    uint32_t Accept(const SocketAddress& expectedPeer, int timeoutMs, Socket& result);

    // Sends everything. onProgress is called after each part that went out.
    template <typename Progress>
    uint32_t SendAll(const char* data, size_t size, int timeoutMs, Progress&& onProgress);
    // Receives up to size bytes: received > 0, or 0 at the peer's end of stream
    // (on a secured socket: its TLS end of stream; a connection that merely ends
    // may have been cut, and fails with InternetConnectionAborted). 0 or
    // ErrorCode::InternetTimeout, InternetConnectionAborted,
    // InternetConnectionReset, InternetSecurityChannelError.
    uint32_t Receive(char* data, size_t size, int timeoutMs, size_t& received);
    // Sends what fits without waiting; for a farewell that must not block.
    void SendNoWait(const std::string& text);

    bool LocalAddress(SocketAddress& address) const;
    bool PeerAddress(SocketAddress& address) const;

    // Secures the connection: the TLS handshake within timeoutMs, resuming the
    // TLS session of resumeFrom (a secured socket made from the same context)
    // when given. 0, or ErrorCode::InternetSecurityChannelError with problem
    // set, InternetTimeout, InternetConnectionAborted, InternetConnectionReset.
    // The certificate is not judged here (CheckCertificate).
    uint32_t StartTls(const TlsContext& context, const Socket* resumeFrom, int timeoutMs,
                      std::string& problem);
    bool Secured() const { return Tls != nullptr; }
    // The handshake resumed an earlier session (no certificate was shown).
    bool TlsResumed() const;
    // After StartTls: 0 when the server's certificate is trusted as context
    // says, else ErrorCode::InternetCertificateNotTrusted with why set to three
    // lines (CR LF between them): the reason, "Subject: ..." and "SHA-256
    // fingerprint: ...".
    uint32_t CheckCertificate(const TlsContext& context, std::string& why) const;
    // Ends the TLS stream (close_notify), waiting at most timeoutMs for room to
    // send it: a peer that reads until the end of stream then knows that it has
    // had everything. Then ends the sending side and reads until the peer ends
    // its own (for at most a few seconds), so that the close resets nothing the
    // peer has not read yet. 0 or the error of the send.
    uint32_t EndTls(int timeoutMs);

private:
    // 0 ready, else ErrorCode::InternetTimeout or InternetConnectionAborted.
    uint32_t Wait(SocketWait events, int timeoutMs);
    // One send attempt: bytes sent (> 0), or 0 with waitFor set to the event to
    // wait for, or an error code via error.
    size_t SendSome(const char* data, size_t size, uint32_t& error, SocketWait& waitFor);
    size_t TlsSendSome(const char* data, size_t size, uint32_t& error, SocketWait& waitFor);
    uint32_t TlsReceive(char* data, size_t size, int timeoutMs, size_t& received);
    // What a TLS call's failure means: 0 with waitFor set when it waits for the
    // socket, else the error (the session is then unusable).
    uint32_t TlsOutcome(int result, SocketWait& waitFor);
    void FreeTls();
    // Windows: sends all of a TLS record or handshake token, waiting at most
    // until deadline (MonotonicMs; 0: no limit).
    uint32_t SendRaw(const char* data, size_t size, int64_t deadline);

    std::shared_ptr<AbortSignal> Abort;
    intptr_t Fd = -1;
    TlsStream* Tls = nullptr;
    bool TlsUnusable = false;  // a TLS call failed: no close_notify may follow
};

template <typename Progress>
uint32_t Socket::SendAll(const char* data, size_t size, int timeoutMs, Progress&& onProgress) {
    while (size > 0) {
        uint32_t error = 0;
        SocketWait waitFor = SocketWait::Write;
        size_t sent = SendSome(data, size, error, waitFor);
        if (error != 0) return error;
        if (sent == 0) {
            if (uint32_t waited = Wait(waitFor, timeoutMs)) return waited;
            continue;
        }
        data += sent;
        size -= sent;
        onProgress(sent);
    }
    return 0;
}

}  // namespace platform::ftpclient
