#pragma once
// Internal to the program's own FTP client: one logged-in FTP control connection, the
// object behind a connection handle.
//
// Threads: one call at a time runs on a connection (BeginCall). Closing the
// handle from another thread raises the connection's AbortSignal, which makes the
// running call's waits return ErrorCode::InternetConnectionAborted at once; the
// sockets are closed by this object's destructor, after the last reference (the
// running call's included) has gone.
//
// Failures leave the control stream either usable (an error reply,
// ErrorCode::InternetExtendedError) or broken (time-out, lost connection,
// unreadable reply, 421): a broken connection is closed and every later call
// fails with BrokenError.
//
// Bounds, so that no server keeps a call going by answering a little at a time:
// a reply must arrive whole within the receive time limit of the moment it is
// awaited (ErrorCode::InternetTimeout), the greeting and the login together
// within one receive time limit, and a command may be answered by at most
// MaxIntermediateReplies 1xx replies before its final one
// (ErrorCode::InternetInvalidServerResponse beyond).

#include <memory>
#include <mutex>
#include <string>

#include "internet/InternetClient.h"
#include "internet/client/HandleTable.h"
#include "internet/client/Socket.h"
#include "internet/client/TlsContext.h"
#include "internet/protocol/FtpReply.h"
#include "internet/protocol/ListingRequest.h"

namespace platform::ftpclient {

class FtpConnection : public HandleObject {
public:
    static constexpr int MaxIntermediateReplies = 8;

    FtpConnection(InternetHandle id, uintptr_t context, bool passive, const TimeLimits& limits);
    ~FtpConnection() override;

    const bool Passive;
    TimeLimits Limits;
    const std::shared_ptr<AbortSignal> Abort;
    // How this connection asks for listings; used under the call lock.
    ftpprotocol::ListingRequest Listing;

    // Connects, secures the connection as security asks and logs in; run before
    // the handle is published. 0 or the error.
    uint32_t Open(const std::string& host, uint16_t port, const std::string& userName,
                  const std::string& password, const InternetSecuritySettings& security);

    // The connection is secured with TLS: its data connections must be too.
    bool Secured() const { return Tls != nullptr; }
    // Secures a data connection of this one, resuming the control connection's
    // TLS session. 0 or the error of Socket::StartTls or a certificate check.
    uint32_t SecureDataConnection(Socket& data);

    // Starts a call: the returned lock is held for the call's length. error is set
    // (and the lock not held) when the call cannot run: ErrorCode::InvalidHandle
    // closed, FtpTransferInProgress another call in progress, or the error that
    // broke the connection.
    std::unique_lock<std::mutex> BeginCall(uint32_t& error);

    // Sends one command line (CR LF added). A line holding CR, LF or NUL is refused
    // with 123 before anything is sent, so no name can smuggle in a command.
    uint32_t SendCommand(const std::string& line);
    // Reads one reply, a 1xx reply included (reported as IntermediateResponse),
    // within the receive time limit. Every reply becomes the thread's last
    // response.
    uint32_t ReadReply(ftpprotocol::FtpReply& reply);
    // Reads replies until one that is not 1xx; intermediates counts the 1xx
    // replies the command has had already (from ReadReply).
    uint32_t ReadFinalReply(ftpprotocol::FtpReply& reply, int intermediates = 0);
    // Sends a command and reads its final reply; 0 when the reply's first digit is
    // one of acceptedClasses (e.g. "2", "23"), else the error (ReplyError).
    uint32_t Expect(const std::string& line, const char* acceptedClasses,
                    ftpprotocol::FtpReply* reply = nullptr);
    // The error an unwanted reply stands for: ErrorCode::FtpDropped for 421 (the
    // connection is then broken), else InternetExtendedError.
    uint32_t ReplyError(const ftpprotocol::FtpReply& reply);
    // TYPE I or TYPE A, only when the connection's current type differs.
    uint32_t EnsureType(char type);

    // The block that this connection's transfers read into (TransferBufferSize
    // bytes), made on first use and kept: one call runs at a time, and a buffer
    // made and cleared for every file costs more than a small file's transfer.
    static constexpr size_t TransferBufferSize = 256 * 1024;
    char* TransferBuffer();

    const SocketAddress& PeerAddress() const { return Peer; }
    const SocketAddress& LocalAddress() const { return Local; }

    // The control stream is unusable: close it and fail every later call.
    void MarkBroken(uint32_t error);
    uint32_t BrokenError() const { return Broken; }

protected:
    void OnClose() override;

private:
    uint32_t ReadGreeting();
    // Receives what has come, waiting until deadline (MonotonicMs; 0: no limit).
    uint32_t ReceiveBefore(int64_t deadline, char* buffer, size_t size, size_t& received);
    uint32_t LogIn(const std::string& userName, const std::string& password);
    // The TLS handshake on the control connection and the check of the server's
    // certificate; the failure's reason becomes the thread's last response.
    uint32_t SecureControl();
    // AUTH TLS on a plain greeting, then the handshake.
    uint32_t NegotiateTls();
    // PBSZ 0 and PROT P: listings and transfers go encrypted too.
    uint32_t ProtectData();
    // A refusal of AUTH TLS, PBSZ or PROT.
    uint32_t TlsRefusal(const ftpprotocol::FtpReply& reply);
    void CloseControl(bool sendQuit, bool closingHandle);

    std::mutex CallLock;
    Socket Control;
    ftpprotocol::FtpReplyReader Reader;
    SocketAddress Peer;
    SocketAddress Local;
    char CurrentType = 0;  // 0: not set on this connection yet
    std::unique_ptr<char[]> Buffer;
    std::unique_ptr<TlsContext> Tls;
    uint32_t Broken = 0;
    int64_t LoginDeadline = 0;  // while logging in: when it must be over (MonotonicMs)
};

}  // namespace platform::ftpclient
