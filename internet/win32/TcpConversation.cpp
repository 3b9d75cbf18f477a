#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <memory>

#include "common/ErrorCodes.h"
#include "internet/TcpConversation.h"
#include "platform/LastError.h"

namespace platform {

namespace {

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET AsSocket(int64_t descriptor) {
    return SOCKET(descriptor);
}

uint32_t ConnectionErrorCode(int error) {
    if (error == WSAECONNRESET) return ErrorCode::InternetConnectionReset;
    if (error == WSAETIMEDOUT) return ErrorCode::InternetTimeout;
    return ErrorCode::InternetConnectionAborted;
}

timeval AsTimeval(uint32_t milliseconds) {
    timeval limit;
    limit.tv_sec = long(milliseconds / 1000);
    limit.tv_usec = long(milliseconds % 1000) * 1000;
    return limit;
}

// Waits until the socket can be read (or written); 1 ready, 0 time ran out,
// -1 failed (WSAGetLastError says why). A failed connection attempt shows in
// the exception set.
int WaitFor(SOCKET socket, bool forWriting, uint32_t milliseconds) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval limit = AsTimeval(milliseconds);
    int result =
        ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &limit);
    if (result > 0 && !FD_ISSET(socket, &ready)) return -1;
    return result;
}

// A non-blocking connection attempt to one address, finished within the limit;
// the socket is blocking again afterwards.
SOCKET ConnectOne(const addrinfo& address, uint32_t limitMs, uint32_t& error) {
    SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket == INVALID_SOCKET) {
        error = ErrorCode::InternetCannotConnect;
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    int result = ::connect(socket, address.ai_addr, int(address.ai_addrlen));
    if (result != 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        int ready = WaitFor(socket, true, limitMs);
        result = ready > 0 ? 0 : -1;
        error = ready == 0 ? ErrorCode::InternetTimeout : ErrorCode::InternetCannotConnect;
    } else if (result != 0) {
        error = ErrorCode::InternetCannotConnect;
    }
    if (result != 0) {
        ::closesocket(socket);
        return INVALID_SOCKET;
    }
    nonBlocking = 0;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    return socket;
}

}  // namespace

TcpConversation::~TcpConversation() {
    Close();
}

bool TcpConversation::Open(const std::string& host, uint16_t port, uint32_t streamTimeoutMs) {
    Close();
    StreamTimeoutMs = streamTimeoutMs;
    if (!StartSockets()) return Fail(ErrorCode::InternetCannotConnect);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    if (host.empty() ||
        ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return Fail(ErrorCode::InternetNameNotResolved);
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    uint32_t error = ErrorCode::InternetCannotConnect;
    for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
        SOCKET socket = ConnectOne(*address, streamTimeoutMs, error);
        if (socket == INVALID_SOCKET) continue;
        Descriptor = int64_t(socket);
        return true;
    }
    return Fail(error);
}

TcpConversation::ReadResult TcpConversation::Read(std::string& piece, size_t maxBytes,
                                                  uint32_t waitMs) {
    piece.clear();
    if (!IsOpen()) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return ReadResult::Failed;
    }
    int ready = WaitFor(AsSocket(Descriptor), false, waitMs);
    if (ready == 0) return ReadResult::NoData;
    if (ready < 0) {
        SetLastErrorCode(ConnectionErrorCode(::WSAGetLastError()));
        return ReadResult::Failed;
    }
    piece.resize(maxBytes > size_t(INT_MAX) ? size_t(INT_MAX) : maxBytes);
    int got = ::recv(AsSocket(Descriptor), piece.data(), int(piece.size()), 0);
    if (got < 0) {
        piece.clear();
        SetLastErrorCode(ConnectionErrorCode(::WSAGetLastError()));
        return ReadResult::Failed;
    }
    piece.resize(size_t(got));
    return got == 0 ? ReadResult::Closed : ReadResult::Data;
}

bool TcpConversation::Send(const std::string& text) {
    if (!IsOpen()) return Fail(ErrorCode::InvalidHandle);
    size_t done = 0;
    while (done < text.size()) {
        if (WaitFor(AsSocket(Descriptor), true, StreamTimeoutMs) <= 0)
            return Fail(ErrorCode::InternetTimeout);
        const size_t left = text.size() - done;
        int sent = ::send(AsSocket(Descriptor), text.data() + done,
                          int(left > size_t(INT_MAX) ? size_t(INT_MAX) : left), 0);
        if (sent < 0) return Fail(ConnectionErrorCode(::WSAGetLastError()));
        done += size_t(sent);
    }
    return true;
}

void TcpConversation::Close() {
    if (IsOpen()) ::closesocket(AsSocket(Descriptor));
    Descriptor = -1;
}

}  // namespace platform
