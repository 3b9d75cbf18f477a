#include "internet/client/Socket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "common/ErrorCodes.h"
#include "internet/posix/ListeningPort.h"

namespace platform::ftpclient {

namespace {

uint32_t BrokenStreamError(int error) {
    return error == ECONNRESET ? ErrorCode::InternetConnectionReset
                               : ErrorCode::InternetConnectionAborted;
}

sockaddr_storage& Raw(SocketAddress& address) {
    static_assert(sizeof(sockaddr_storage) <= sizeof address.Storage);
    return *reinterpret_cast<sockaddr_storage*>(address.Storage);
}

const sockaddr_storage& Raw(const SocketAddress& address) {
    return *reinterpret_cast<const sockaddr_storage*>(address.Storage);
}

short PollEvents(SocketWait wait) {
    return wait == SocketWait::Write ? POLLOUT : POLLIN;
}

int Descriptor(intptr_t fd) {
    return int(fd);
}

uint32_t ConnectFailure(int error) {
    switch (error) {
        case ETIMEDOUT:
            return ErrorCode::InternetTimeout;
        case EINTR:
            return ErrorCode::InternetConnectionAborted;
        default:
            return ErrorCode::InternetCannotConnect;
    }
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
    if (!inet_ntop(raw.ss_family, host, text, sizeof text)) return std::string();
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

AbortSignal::AbortSignal() {
    Wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

AbortSignal::~AbortSignal() {
    if (Wake >= 0) close(Descriptor(Wake));
}

void AbortSignal::Raise() {
    Flag.store(true, std::memory_order_release);
    uint64_t one = 1;
    // The counter is never read, so the descriptor stays readable: every later wait
    // also returns at once.
    if (Wake >= 0 && write(Descriptor(Wake), &one, sizeof one) < 0) {
    }
    std::lock_guard<std::mutex> guard(Lock);
    for (intptr_t fd : Sockets) shutdown(Descriptor(fd), SHUT_RDWR);
}

void AbortSignal::Register(intptr_t fd) {
    std::lock_guard<std::mutex> guard(Lock);
    Sockets.insert(fd);
    if (Raised()) shutdown(Descriptor(fd), SHUT_RDWR);
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
    // shuts down a descriptor number that has been closed and reused.
    Abort->Unregister(Fd);
    close(Descriptor(Fd));
    Fd = -1;
}

void Socket::CloseAbruptly() {
    FreeTls();
    if (Fd < 0) return;
    const linger reset{1, 0};
    setsockopt(Descriptor(Fd), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

uint32_t Socket::Wait(SocketWait events, int timeoutMs) {
    pollfd fds[2] = {{Descriptor(Fd), PollEvents(events), 0},
                     {Descriptor(Abort->WakeDescriptor()), POLLIN, 0}};
    int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        int wait = -1;
        if (timeoutMs > 0) {
            int64_t left = deadline - MonotonicMs();
            if (left <= 0) return ErrorCode::InternetTimeout;
            wait = int(left);
        }
        int ready = poll(fds, 2, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        if (ready < 0) return ErrorCode::InternetConnectionAborted;
        if (ready == 0) return ErrorCode::InternetTimeout;
        if (fds[0].revents != 0) return 0;
    }
}

uint32_t Socket::ConnectTo(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                           int timeoutMs, Socket& result) {
    int fd = socket(Raw(address).ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return ErrorCode::InternetCannotConnect;
    Socket candidate(std::move(abort), fd);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&Raw(address)), address.Length) != 0) {
        if (errno != EINPROGRESS) return ConnectFailure(errno);
        if (uint32_t waited = candidate.Wait(SocketWait::Write, timeoutMs)) return waited;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error != 0) return ConnectFailure(error);
    }
    result = std::move(candidate);
    return 0;
}

uint32_t Socket::Connect(std::shared_ptr<AbortSignal> abort, const std::string& host, uint16_t port,
                         int timeoutMs, Socket& result) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (host.empty() || host.find('\0') != std::string::npos ||
        getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        return ErrorCode::InternetNameNotResolved;
    uint32_t error = ErrorCode::InternetCannotConnect;
    for (addrinfo* item = found; item; item = item->ai_next) {
        SocketAddress address;
        std::memcpy(&Raw(address), item->ai_addr, item->ai_addrlen);
        address.Length = item->ai_addrlen;
        error = ConnectTo(abort, address, timeoutMs, result);
        // A time-out has used the whole limit; the next address would exceed it.
        if (error == 0 || error == ErrorCode::InternetTimeout) break;
    }
    freeaddrinfo(found);
    return error;
}

uint32_t Socket::Listen(std::shared_ptr<AbortSignal> abort, const SocketAddress& address,
                        Socket& result, bool* noPortFree) {
    int fd = socket(Raw(address).ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return ErrorCode::InternetCannotConnect;
    Socket candidate(std::move(abort), fd);
    if (!BindListeningPort(fd, address)) {
        if (noPortFree) *noPortFree = errno == EADDRINUSE || errno == EADDRNOTAVAIL;
        return ErrorCode::InternetCannotConnect;
    }
    if (listen(fd, 1) != 0) return ErrorCode::InternetCannotConnect;
    result = std::move(candidate);
    return 0;
}

uint32_t Socket::Accept(const SocketAddress& expectedPeer, int timeoutMs, Socket& result) {
    int64_t deadline = timeoutMs > 0 ? MonotonicMs() + timeoutMs : 0;
    for (;;) {
        int left = timeoutMs;
        if (timeoutMs > 0) {
            left = int(deadline - MonotonicMs());
            if (left <= 0) return ErrorCode::InternetTimeout;
        }
        if (uint32_t waited = Wait(SocketWait::Read, left)) return waited;
        SocketAddress peer;
        socklen_t length = sizeof(sockaddr_storage);
        int fd = accept4(Descriptor(Fd), reinterpret_cast<sockaddr*>(&Raw(peer)), &length,
                         SOCK_NONBLOCK | SOCK_CLOEXEC);
        peer.Length = length;
        if (fd < 0) {
            if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED) continue;
            return ErrorCode::InternetConnectionAborted;
        }
        Socket accepted(Abort, fd);
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
    for (;;) {
        ssize_t sent = send(Descriptor(Fd), data, size, MSG_NOSIGNAL);
        if (sent > 0) return size_t(sent);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        error = Abort->Raised() ? ErrorCode::InternetConnectionAborted : BrokenStreamError(errno);
        return 0;
    }
}

uint32_t Socket::Receive(char* data, size_t size, int timeoutMs, size_t& received) {
    received = 0;
    if (Tls) return TlsReceive(data, size, timeoutMs, received);
    for (;;) {
        if (Abort->Raised()) return ErrorCode::InternetConnectionAborted;
        ssize_t got = recv(Descriptor(Fd), data, size, 0);
        if (got >= 0) {
            // A shutdown by our own abort also reads as end of stream.
            if (got == 0 && Abort->Raised()) return ErrorCode::InternetConnectionAborted;
            received = size_t(got);
            return 0;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Abort->Raised() ? ErrorCode::InternetConnectionAborted
                                   : BrokenStreamError(errno);
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
    send(Descriptor(Fd), text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool Socket::LocalAddress(SocketAddress& address) const {
    socklen_t length = sizeof(sockaddr_storage);
    if (getsockname(Descriptor(Fd), reinterpret_cast<sockaddr*>(&Raw(address)), &length) != 0)
        return false;
    address.Length = length;
    return true;
}

bool Socket::PeerAddress(SocketAddress& address) const {
    socklen_t length = sizeof(sockaddr_storage);
    if (getpeername(Descriptor(Fd), reinterpret_cast<sockaddr*>(&Raw(address)), &length) != 0)
        return false;
    address.Length = length;
    return true;
}

}  // namespace platform::ftpclient
