#pragma once
// One plain TCP client connection for a short conversation with a server (the
// FTP device's diagnostic probe talks to a server this way when the FTP client
// could not log in). Blocking calls with time limits; nothing is retried.
//
// Failures set the calling thread's last error code: InternetNameNotResolved the name
// does not resolve, InternetCannotConnect nothing accepts the connection,
// InternetTimeout a time limit ran out, InternetConnectionReset the peer reset the
// connection, InternetConnectionAborted another failure of the connection. One thread
// uses an object at a time.

#include <cstdint>
#include <string>

namespace platform {

class TcpConversation {
public:
    TcpConversation() = default;
    ~TcpConversation();
    TcpConversation(const TcpConversation&) = delete;
    TcpConversation& operator=(const TcpConversation&) = delete;

    enum class ReadResult {
        Data,    // piece holds what arrived
        NoData,  // nothing arrived within the wait
        Closed,  // the peer ended the connection
        Failed   // the reason is the last error
    };

    // Resolves host (a name or a numeric address) and connects to port on the
    // first address that accepts. streamTimeoutMs bounds the connection set-up
    // and every later send.
    bool Open(const std::string& host, uint16_t port, uint32_t streamTimeoutMs);
    bool IsOpen() const { return Descriptor >= 0; }
    // Waits at most waitMs for data and reads up to maxBytes of it.
    ReadResult Read(std::string& piece, size_t maxBytes, uint32_t waitMs);
    // Sends all of text.
    bool Send(const std::string& text);
    void Close();

private:
    int64_t Descriptor = -1;  // the system's socket while open
    uint32_t StreamTimeoutMs = 0;
};

}  // namespace platform
