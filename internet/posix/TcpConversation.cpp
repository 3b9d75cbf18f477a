#include "internet/TcpConversation.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"

namespace platform {

namespace {

int PollLimit(uint32_t milliseconds) {
    return milliseconds > uint32_t(INT_MAX) ? INT_MAX : int(milliseconds);
}

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

uint32_t ConnectionErrorCode(int error) {
    if (error == ECONNRESET) return ErrorCode::InternetConnectionReset;
    if (error == ETIMEDOUT) return ErrorCode::InternetTimeout;
    return ErrorCode::InternetConnectionAborted;
}

// Waits for events on fd; 1 ready, 0 time ran out, -1 failed (errno set).
int WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        int ready = poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        return ready;
    }
}

// A non-blocking connection attempt to one address, finished within timeoutMs.
int ConnectOne(const addrinfo& address, int timeoutMs, uint32_t& error) {
    int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                    address.ai_protocol);
    if (fd < 0) {
        error = ErrorCode::InternetCannotConnect;
        return -1;
    }
    int result = connect(fd, address.ai_addr, address.ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
        int ready = WaitFor(fd, POLLOUT, timeoutMs);
        int failure = 0;
        socklen_t length = sizeof failure;
        if (ready == 0) {
            failure = ETIMEDOUT;
        } else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) != 0) {
            failure = errno;
        }
        result = failure == 0 ? 0 : -1;
        errno = failure;
    }
    if (result == 0) return fd;
    error = errno == ETIMEDOUT ? ErrorCode::InternetTimeout : ErrorCode::InternetCannotConnect;
    close(fd);
    return -1;
}

}  // namespace

TcpConversation::~TcpConversation() {
    Close();
}

bool TcpConversation::Open(const std::string& host, uint16_t port, uint32_t streamTimeoutMs) {
    Close();
    StreamTimeoutMs = streamTimeoutMs;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    if (host.empty() ||
        getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return Fail(ErrorCode::InternetNameNotResolved);
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    uint32_t error = ErrorCode::InternetCannotConnect;
    for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
        Descriptor = ConnectOne(*address, PollLimit(streamTimeoutMs), error);
        if (Descriptor >= 0) return true;
    }
    return Fail(error);
}

TcpConversation::ReadResult TcpConversation::Read(std::string& piece, size_t maxBytes,
                                                  uint32_t waitMs) {
    piece.clear();
    if (Descriptor < 0) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return ReadResult::Failed;
    }
    int ready = WaitFor(Descriptor, POLLIN, PollLimit(waitMs));
    if (ready == 0) return ReadResult::NoData;
    if (ready < 0) {
        SetLastErrorCode(ConnectionErrorCode(errno));
        return ReadResult::Failed;
    }
    piece.resize(maxBytes);
    ssize_t got;
    do {
        got = recv(Descriptor, piece.data(), maxBytes, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        piece.clear();
        return ReadResult::NoData;
    }
    if (got < 0) {
        piece.clear();
        SetLastErrorCode(ConnectionErrorCode(errno));
        return ReadResult::Failed;
    }
    piece.resize(size_t(got));
    return got == 0 ? ReadResult::Closed : ReadResult::Data;
}

bool TcpConversation::Send(const std::string& text) {
    if (Descriptor < 0) return Fail(ErrorCode::InvalidHandle);
    size_t done = 0;
    while (done < text.size()) {
        if (WaitFor(Descriptor, POLLOUT, PollLimit(StreamTimeoutMs)) <= 0)
            return Fail(ErrorCode::InternetTimeout);
        ssize_t sent = send(Descriptor, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (sent < 0) return Fail(ConnectionErrorCode(errno));
        done += size_t(sent);
    }
    return true;
}

void TcpConversation::Close() {
    if (Descriptor >= 0) close(Descriptor);
    Descriptor = -1;
}

}  // namespace platform
