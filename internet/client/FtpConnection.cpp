#include "internet/client/FtpConnection.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/ErrorCodes.h"
#include "internet/client/ThreadResponse.h"

namespace platform::ftpclient {

using ftpprotocol::FtpReply;
using ftpprotocol::FtpReplyReader;

namespace {

// The error left for the calls after the one that found the connection broken.
uint32_t LaterCallError(uint32_t error) {
    return error == ErrorCode::FtpDropped ? ErrorCode::FtpDropped
                                          : ErrorCode::InternetConnectionAborted;
}

bool ReplyClassIn(const FtpReply& reply, const char* classes) {
    char first = char('0' + reply.Code / 100);
    return std::strchr(classes, first) != nullptr;
}

}  // namespace

FtpConnection::FtpConnection(InternetHandle id, uintptr_t context, bool passive,
                             const TimeLimits& limits)
    : HandleObject(HandleKind::Connection, id, context),
      Passive(passive),
      Abort(std::make_shared<AbortSignal>()) {
    Limits.CopyFrom(limits);
}

FtpConnection::~FtpConnection() = default;

uint32_t FtpConnection::Open(const std::string& host, uint16_t port, const std::string& userName,
                             const std::string& password, const InternetSecuritySettings& security) {
    if (security.Mode != InternetSecurity::Plain) {
        std::string problem;
        if (uint32_t error = TlsContext::Make(security.Trust, host, Tls, problem)) {
            SetThreadLastResponse(error, problem);
            return error;
        }
    }
    uint32_t error = Socket::Connect(Abort, host, port, WaitLimit(Limits.ConnectMs), Control);
    if (error != 0) return error;
    if (!Control.PeerAddress(Peer) || !Control.LocalAddress(Local)) {
        Control.Close();
        return ErrorCode::InternetConnectionAborted;
    }
    if (Limits.ReceiveMs != 0) LoginDeadline = MonotonicMs() + Limits.ReceiveMs;
    if (security.Mode == InternetSecurity::ImplicitTls) error = SecureControl();
    if (error == 0) error = ReadGreeting();
    if (error == 0 && security.Mode == InternetSecurity::ExplicitTls) error = NegotiateTls();
    if (error == 0 && Secured()) error = ProtectData();
    if (error == 0) error = LogIn(userName, password);
    LoginDeadline = 0;
    // Nothing more goes to a server whose certificate is not trusted, not even QUIT.
    const bool farewell = Broken == 0 && error != ErrorCode::InternetCertificateNotTrusted &&
                          error != ErrorCode::InternetSecurityChannelError;
    if (error != 0) CloseControl(farewell, false);
    return error;
}

uint32_t FtpConnection::SecureControl() {
    std::string problem;
    int wait = WaitLimit(Limits.ReceiveMs);
    if (LoginDeadline != 0) wait = int(std::max<int64_t>(1, LoginDeadline - MonotonicMs()));
    uint32_t error = Control.StartTls(*Tls, nullptr, wait, problem);
    if (error == 0) error = Control.CheckCertificate(*Tls, problem);
    if (error != 0) {
        if (!problem.empty()) SetThreadLastResponse(error, problem);
        return error;
    }
    Reader = FtpReplyReader();  // nothing sent in clear may be read as a reply after it
    return 0;
}

uint32_t FtpConnection::NegotiateTls() {
    FtpReply reply;
    if (uint32_t error = SendCommand("AUTH TLS")) return error;
    if (uint32_t error = ReadFinalReply(reply)) return error;
    if (reply.Code / 100 != 2) return TlsRefusal(reply);
    // A reply that came in clear behind the 234 could only have been injected.
    if (Reader.Buffered() != 0) {
        MarkBroken(ErrorCode::InternetInvalidServerResponse);
        return ErrorCode::InternetInvalidServerResponse;
    }
    return SecureControl();
}

uint32_t FtpConnection::ProtectData() {
    for (const char* command : {"PBSZ 0", "PROT P"}) {
        FtpReply reply;
        if (uint32_t error = SendCommand(command)) return error;
        if (uint32_t error = ReadFinalReply(reply)) return error;
        if (reply.Code / 100 != 2) return TlsRefusal(reply);
    }
    return 0;
}

uint32_t FtpConnection::TlsRefusal(const FtpReply& reply) {
    if (reply.Code == 421) return ReplyError(reply);
    SetThreadLastResponse(ErrorCode::FtpTlsRefused, reply.Text);
    return ErrorCode::FtpTlsRefused;
}

uint32_t FtpConnection::SecureDataConnection(Socket& data) {
    std::string problem;
    uint32_t error = data.StartTls(*Tls, &Control, WaitLimit(Limits.ReceiveMs), problem);
    // A data connection that did not resume the control connection's session
    // showed a certificate of its own: it must pass the same check.
    if (error == 0 && !data.TlsResumed()) error = data.CheckCertificate(*Tls, problem);
    if (error != 0 && !problem.empty()) SetThreadLastResponse(error, problem);
    return error;
}

uint32_t FtpConnection::ReadGreeting() {
    FtpReply reply;
    // 120 means "ready in a few minutes": keep waiting for the 220.
    if (uint32_t error = ReadFinalReply(reply)) return error;
    return reply.Code / 100 == 2 ? 0 : ErrorCode::InternetExtendedError;
}

uint32_t FtpConnection::LogIn(const std::string& userName, const std::string& password) {
    // Without a user name the login is anonymous, as the Windows library does it.
    std::string user = userName.empty() ? "anonymous" : userName;
    std::string pass = userName.empty() && password.empty() ? "anonymous@" : password;
    FtpReply reply;
    if (uint32_t error = SendCommand("USER " + user)) return error;
    if (uint32_t error = ReadFinalReply(reply)) return error;
    if (reply.Code / 100 == 2) return 0;
    if (reply.Code == 530) return ErrorCode::InternetIncorrectUserName;
    if (reply.Code != 331) return ErrorCode::InternetExtendedError;
    if (uint32_t error = SendCommand("PASS " + pass)) return error;
    if (uint32_t error = ReadFinalReply(reply)) return error;
    if (reply.Code / 100 == 2) return 0;
    if (reply.Code == 530) return ErrorCode::InternetIncorrectPassword;
    return ErrorCode::InternetExtendedError;  // 332 (account) is not supported either
}

std::unique_lock<std::mutex> FtpConnection::BeginCall(uint32_t& error) {
    error = 0;
    std::unique_lock<std::mutex> lock(CallLock, std::try_to_lock);
    if (!lock.owns_lock()) {
        error = Closed() ? ErrorCode::InvalidHandle : ErrorCode::FtpTransferInProgress;
        return lock;
    }
    if (Closed())
        error = ErrorCode::InvalidHandle;
    else if (Broken != 0)
        error = Broken;
    if (error != 0) lock.unlock();
    return lock;
}

uint32_t FtpConnection::SendCommand(const std::string& line) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return ErrorCode::InvalidName;
    if (!Control.Valid()) return Broken ? Broken : ErrorCode::InternetConnectionAborted;
    Report(InternetStatus::SendingRequest);
    std::string wire = line + "\r\n";
    uint32_t error =
        Control.SendAll(wire.data(), wire.size(), WaitLimit(Limits.SendMs), [](size_t) {});
    if (error != 0) {
        MarkBroken(error);
        return error;
    }
    Report(InternetStatus::RequestSent);
    return 0;
}

uint32_t FtpConnection::ReadReply(FtpReply& reply) {
    if (!Control.Valid()) return Broken ? Broken : ErrorCode::InternetConnectionAborted;
    Report(InternetStatus::ReceivingResponse);
    // The limit holds for the whole reply, not for each piece of it, so a reply
    // that trickles in never outlasts it.
    int64_t deadline = Limits.ReceiveMs != 0 ? MonotonicMs() + Limits.ReceiveMs : 0;
    if (LoginDeadline != 0 && (deadline == 0 || LoginDeadline < deadline)) deadline = LoginDeadline;
    char buffer[4096];
    for (;;) {
        FtpReplyReader::Status status = Reader.Next(reply);
        if (status == FtpReplyReader::Status::Complete) break;
        if (status != FtpReplyReader::Status::NeedMore) {
            // An endless line or a reply that is not FTP: the stream cannot be trusted.
            MarkBroken(ErrorCode::InternetInvalidServerResponse);
            return ErrorCode::InternetInvalidServerResponse;
        }
        size_t received = 0;
        uint32_t error = ReceiveBefore(deadline, buffer, sizeof buffer, received);
        if (error == 0 && received == 0) error = ErrorCode::FtpDropped;
        if (error != 0) {
            MarkBroken(error);
            return error;
        }
        Reader.Feed(buffer, received);
    }
    bool failed = reply.Code >= 400;
    SetThreadLastResponse(failed ? ErrorCode::InternetExtendedError : 0, reply.Text);
    Report(InternetStatus::ResponseReceived, reply.Text.data(), uint32_t(reply.Text.size()));
    if (reply.Code / 100 == 1) Report(InternetStatus::IntermediateResponse);
    return 0;
}

uint32_t FtpConnection::ReceiveBefore(int64_t deadline, char* buffer, size_t size,
                                      size_t& received) {
    int wait = -1;
    if (deadline != 0) {
        int64_t left = deadline - MonotonicMs();
        if (left <= 0) return ErrorCode::InternetTimeout;
        wait = WaitLimit(uint32_t(std::min<int64_t>(left, UINT32_MAX)));
    }
    return Control.Receive(buffer, size, wait, received);
}

uint32_t FtpConnection::ReadFinalReply(FtpReply& reply, int intermediates) {
    for (;;) {
        if (uint32_t error = ReadReply(reply)) return error;
        if (reply.Code / 100 != 1) return 0;
        // Each 1xx reply is progress to a watchdog: an endless stream of them
        // would keep the call alive for ever.
        if (++intermediates > MaxIntermediateReplies) {
            MarkBroken(ErrorCode::InternetInvalidServerResponse);
            return ErrorCode::InternetInvalidServerResponse;
        }
    }
}

uint32_t FtpConnection::Expect(const std::string& line, const char* acceptedClasses,
                               FtpReply* reply) {
    FtpReply local;
    FtpReply& target = reply ? *reply : local;
    if (uint32_t error = SendCommand(line)) return error;
    if (uint32_t error = ReadFinalReply(target)) return error;
    return ReplyClassIn(target, acceptedClasses) ? 0 : ReplyError(target);
}

uint32_t FtpConnection::ReplyError(const FtpReply& reply) {
    if (reply.Code == 421) {
        MarkBroken(ErrorCode::FtpDropped);
        return ErrorCode::FtpDropped;
    }
    return ErrorCode::InternetExtendedError;
}

uint32_t FtpConnection::EnsureType(char type) {
    if (CurrentType == type) return 0;
    uint32_t error = Expect(std::string("TYPE ") + type, "2");
    if (error == 0) CurrentType = type;
    return error;
}

char* FtpConnection::TransferBuffer() {
    if (!Buffer) Buffer = std::make_unique_for_overwrite<char[]>(TransferBufferSize);
    return Buffer.get();
}

void FtpConnection::MarkBroken(uint32_t error) {
    if (Broken != 0) return;
    Broken = LaterCallError(error);
    CloseControl(false, false);
}

void FtpConnection::CloseControl(bool sendQuit, bool closingHandle) {
    if (!Control.Valid()) return;
    // A call that finds its connection cut off by a close reports nothing more; the
    // close has made its own reports.
    auto report = [&](uint32_t status) { closingHandle ? ReportAlways(status) : Report(status); };
    report(InternetStatus::ClosingConnection);
    if (sendQuit) Control.SendNoWait("QUIT\r\n");
    Control.Close();
    report(InternetStatus::ConnectionClosed);
}

void FtpConnection::OnClose() {
    std::unique_lock<std::mutex> idle(CallLock, std::try_to_lock);
    if (idle.owns_lock()) {
        // No call runs: the control socket is ours to close, with a polite QUIT.
        CloseControl(Broken == 0, true);
        Abort->Raise();
        return;
    }
    // A call is running on another thread and owns the sockets: wake it and shut the
    // sockets down; it closes them as it unwinds.
    ReportAlways(InternetStatus::ClosingConnection);
    Abort->Raise();
    ReportAlways(InternetStatus::ConnectionClosed);
}

}  // namespace platform::ftpclient
