// The own FTP client's sockets over Windows sockets: non-blocking sockets whose
// waits (select) look at the connection's AbortSignal every few milliseconds,
// since a wait cannot be woken by an event of another kind. Raise also shuts the
// registered sockets down, which ends every wait on them at once.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>
// The printer port call of the system's headers, not SocketAddress::SetPort.
#undef SetPort

#include <algorithm>
#include <chrono>
#include <cstring>

#include "common/ErrorCodes.h"
#include "internet/client/Socket.h"

namespace platform::ftpclient {

namespace {

// How often a wait looks whether the connection was aborted.
constexpr int AbortPollMs = 50;

bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

sockaddr_storage& Raw(SocketAddress& address) {
    static_assert(sizeof(sockaddr_storage) <= sizeof address.Storage);
    return *reinterpret_cast<sockaddr_storage*>(address.Storage);
}

const sockaddr_storage& Raw(const SocketAddress& address) {
    return *reinterpret_cast<const sockaddr_storage*>(address.Storage);
}

SOCKET AsSocket(intptr_t fd) {
    return SOCKET(fd);
}

uint32_t BrokenStreamError(int error) {
    return error == WSAECONNRESET ? ErrorCode::InternetConnectionReset
                                  : ErrorCode::InternetConnectionAborted;
}

uint32_t ConnectFailure(int error) {
    return error == WSAETIMEDOUT ? ErrorCode::InternetTimeout : ErrorCode::InternetCannotConnect;
}

bool WouldBlock(int error) {
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}

// A new non-blocking socket, inherited by no child process.
SOCKET NewSocket(int family) {
    if (!StartSockets()) return INVALID_SOCKET;
    SOCKET fd = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (fd == INVALID_SOCKET) return fd;
    u_long nonBlocking = 1;
    ::ioctlsocket(fd, FIONBIO, &nonBlocking);
    return fd;
}

}  // namespace

int64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SocketAddress::IsIpv6() const {
    return Raw(*this).ss_family == AF_INET6;
}

uint16_t SocketAddress::Port() const {
    if (IsIpv6()) return ntohs(reinterpret_cast<const sockaddr_in6&>(Raw(*this)).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(Raw(*this)).sin_port);
}

void SocketAddress::SetPort(uint16_t port) {
    if (IsIpv6())
        reinterpret_cast<sockaddr_in6&>(Raw(*this)).sin6_port = htons(port);
    else
        reinterpret_cast<sockaddr_in&>(Raw(*this)).sin_port = htons(port);
}

std::string SocketAddress::HostText() const {
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr_storage& raw = Raw(*this);
    const void* host =
        IsIpv6() ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6&>(raw).sin6_addr)
                 : static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(raw).sin_addr);
    if (!::inet_ntop(raw.ss_family, host, text, sizeof text)) return std::string();
    return text;
}

bool SocketAddress::SameHost(const SocketAddress& other) const {
    if (Raw(*this).ss_family != Raw(other).ss_family) return false;
    if (IsIpv6()) {
        const auto& a = reinterpret_cast<const sockaddr_in6&>(Raw(*this)).sin6_addr;
        const auto& b = reinterpret_cast<const sockaddr_in6&>(Raw(other)).sin6_addr;
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
    return reinterpret_cast<const sockaddr_in&>(Raw(*this)).sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in&>(Raw(other)).sin_addr.s_addr;
}

AbortSignal::AbortSignal() = default;

AbortSignal::~AbortSignal() = default;

void AbortSignal::Raise() {
    Flag.store(true, std::memory_order_release);
    std::lock_guard<std::mutex> guard(Lock);
    for (intptr_t fd : Sockets) ::shutdown(AsSocket(fd), SD_BOTH);
}

void AbortSignal::Register(intptr_t fd) {
    std::lock_guard<std::mutex> guard(Lock);
    Sockets.insert(fd);
    if (Raised()) ::shutdown(AsSocket(fd), SD_BOTH);
}

void AbortSignal::Unregister(intptr_t fd) {
    std::lock_guard<std::mutex> guard(Lock);
    Sockets.erase(fd);
}

Socket::Socket(std::shared_ptr<AbortSignal> abort, intptr_t fd) : Abort(std::move(abort)), Fd(fd) {
    if (Fd >= 0) Abort->Register(Fd);
}

Socket::~Socket() {
    Close();
}

Socket::Socket(Socket&& other) noexcept
    : Abort(std::move(other.Abort)), Fd(other.Fd), Tls(other.Tls), TlsUnusable(other.TlsUnusable) {
    other.Fd = -1;
    other.Tls = nullptr;
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        Abort = std::move(other.Abort);
        Fd = other.Fd;
        Tls = other.Tls;
        TlsUnusable = other.TlsUnusable;
        other.Fd = -1;
        other.Tls = nullptr;
    }
    return *this;
}

void Socket::Close() {
    FreeTls();
    if (Fd < 0) return;
    // Unregistered first, under the signal's lock, so that a concurrent Raise never
    // shuts down a socket that has been closed and whose number was reused.
    Abort->Unregister(Fd);
    ::closesocket(AsSocket(Fd));
    Fd = -1;
}

void Socket::CloseAbruptly() {
    FreeTls();
    if (Fd < 0) return;
    const linger reset{1, 0};
    ::setsockopt(AsSocket(Fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset),
                 sizeof reset);
    Close();
}

uint32_t Socket::Wait(SocketWait events, int timeoutMs) {
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    const SOCKET fd = AsSocket(Fd);
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        int slice = AbortPollMs;
        if (timeoutMs > 0) {
            const int64_t left = deadline - MonotonicMs();
            if (left <= 0) return ErrorCode::InternetTimeout;
            slice = int(std::min<int64_t>(left, AbortPollMs));
        }
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(fd, &ready);
        FD_SET(fd, &failed);
        timeval limit{slice / 1000, (slice % 1000) * 1000};
        // A failed connection attempt shows in the exception set.
        const int result = ::select(0, events == SocketWait::Write ? nullptr : &ready,
                                    events == SocketWait::Write ? &ready : nullptr, &failed, &limit);
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        if (result < 0) return ErrorCode::InternetConnectionAborted;
        if (result > 0) return 0;
    }
}

uint32_t Socket::ConnectTo(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                           int timeoutMs, Socket& result) {
    SOCKET fd = NewSocket(Raw(address).ss_family);
    if (fd == INVALID_SOCKET) return ErrorCode::InternetCannotConnect;
    Socket candidate(std::move(abort), intptr_t(fd));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&Raw(address)), int(address.Length)) != 0) {
        const int error = ::WSAGetLastError();
        if (!WouldBlock(error)) return ConnectFailure(error);
        if (uint32_t waited = candidate.Wait(SocketWait::Write, timeoutMs)) return waited;
        int outcome = 0;
        int length = sizeof outcome;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome), &length) != 0)
            outcome = ::WSAGetLastError();
        if (outcome != 0) return ConnectFailure(outcome);
    }
    result = std::move(candidate);
    return 0;
}

uint32_t Socket::Connect(std::shared_ptr<AbortSignal> abort, const std::string& host, uint16_t port,
                         int timeoutMs, Socket& result) {
    if (!StartSockets()) return ErrorCode::InternetCannotConnect;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (host.empty() || host.find('\0') != std::string::npos ||
        ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        // Without a network beside loopback AI_ADDRCONFIG finds nothing.
        hints.ai_flags = AI_NUMERICSERV;
        if (host.empty() || host.find('\0') != std::string::npos ||
            ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
            return ErrorCode::InternetNameNotResolved;
    }
    uint32_t error = ErrorCode::InternetCannotConnect;
    for (addrinfo* item = found; item; item = item->ai_next) {
        SocketAddress address;
        if (item->ai_addrlen > sizeof address.Storage) continue;
        std::memcpy(&Raw(address), item->ai_addr, item->ai_addrlen);
        address.Length = uint32_t(item->ai_addrlen);
        error = ConnectTo(abort, address, timeoutMs, result);
        // A time-out has used the whole limit; the next address would exceed it.
        if (error == 0 || error == ErrorCode::InternetTimeout) break;
    }
    ::freeaddrinfo(found);
    return error;
}

uint32_t Socket::Listen(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                        Socket& result, bool* noPortFree) {
    SOCKET fd = NewSocket(Raw(address).ss_family);
    if (fd == INVALID_SOCKET) return ErrorCode::InternetCannotConnect;
    Socket candidate(std::move(abort), intptr_t(fd));
    // No other program may take over the port while it listens.
    BOOL exclusive = TRUE;
    ::setsockopt(fd, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof exclusive);
    SocketAddress local = address;
    local.SetPort(0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&Raw(local)), int(local.Length)) != 0) {
        const int error = ::WSAGetLastError();
        if (noPortFree) *noPortFree = error == WSAEADDRINUSE || error == WSAENOBUFS;
        return ErrorCode::InternetCannotConnect;
    }
    if (::listen(fd, 1) != 0) return ErrorCode::InternetCannotConnect;
    result = std::move(candidate);
    return 0;
}

uint32_t Socket::Accept(const SocketAddress& expectedPeer, int timeoutMs, Socket& result) {
    const int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    for (;;) {
        int left = timeoutMs;
        if (timeoutMs > 0) {
            left = int(deadline - MonotonicMs());
            if (left <= 0) return ErrorCode::InternetTimeout;
        }
        if (uint32_t waited = Wait(SocketWait::Read, left)) return waited;
        SocketAddress peer;
        int length = sizeof(sockaddr_storage);
        SOCKET fd = ::accept(AsSocket(Fd), reinterpret_cast<sockaddr*>(&Raw(peer)), &length);
        if (fd == INVALID_SOCKET) {
            const int error = ::WSAGetLastError();
            if (WouldBlock(error) || error == WSAECONNRESET) continue;
            return ErrorCode::InternetConnectionAborted;
        }
        peer.Length = uint32_t(length);
        ::SetHandleInformation(reinterpret_cast<HANDLE>(fd), HANDLE_FLAG_INHERIT, 0);
        u_long nonBlocking = 1;
        ::ioctlsocket(fd, FIONBIO, &nonBlocking);
        Socket accepted(Abort, intptr_t(fd));
        // Data from any other host than the server's is refused (port theft).
        if (peer.SameHost(expectedPeer)) {
            result = std::move(accepted);
            return 0;
        }
    }
}

size_t Socket::SendSome(const char* data, size_t size, uint32_t& error, SocketWait& waitFor) {
    if (Abort->Raised()) {
        error = ErrorCode::InternetConnectionAborted;
        return 0;
    }
    if (Tls) return TlsSendSome(data, size, error, waitFor);
    waitFor = SocketWait::Write;
    const int part = int(std::min<size_t>(size, 1 << 30));
    const int sent = ::send(AsSocket(Fd), data, part, 0);
    if (sent > 0) return size_t(sent);
    const int reason = ::WSAGetLastError();
    if (sent < 0 && WouldBlock(reason)) return 0;
    error = Abort->Raised() ? ErrorCode::InternetConnectionAborted : BrokenStreamError(reason);
    return 0;
}

uint32_t Socket::Receive(char* data, size_t size, int timeoutMs, size_t& received) {
    received = 0;
    if (Tls) return TlsReceive(data, size, timeoutMs, received);
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        const int got = ::recv(AsSocket(Fd), data, int(std::min<size_t>(size, 1 << 30)), 0);
        if (got >= 0) {
            // A shutdown by our own abort also reads as end of stream.
            if (got == 0 && Abort->Raised()) return ErrorCode::InternetConnectionAborted;
            received = size_t(got);
            return 0;
        }
        const int reason = ::WSAGetLastError();
        if (!WouldBlock(reason)) {
            return Abort->Raised() ? ErrorCode::InternetConnectionAborted
                                   : BrokenStreamError(reason);
        }
        if (uint32_t waited = Wait(SocketWait::Read, timeoutMs)) return waited;
    }
}

void Socket::SendNoWait(const std::string& text) {
    if (Fd < 0 || Abort->Raised()) return;
    if (Tls) {
        uint32_t error = 0;
        SocketWait waitFor = SocketWait::None;
        TlsSendSome(text.data(), text.size(), error, waitFor);
        return;
    }
    ::send(AsSocket(Fd), text.data(), int(text.size()), 0);
}

bool Socket::LocalAddress(SocketAddress& address) const {
    int length = sizeof(sockaddr_storage);
    if (::getsockname(AsSocket(Fd), reinterpret_cast<sockaddr*>(&Raw(address)), &length) != 0)
        return false;
    address.Length = uint32_t(length);
    return true;
}

bool Socket::PeerAddress(SocketAddress& address) const {
    int length = sizeof(sockaddr_storage);
    if (::getpeername(AsSocket(Fd), reinterpret_cast<sockaddr*>(&Raw(address)), &length) != 0)
        return false;
    address.Length = uint32_t(length);
    return true;
}

}  // namespace platform::ftpclient
