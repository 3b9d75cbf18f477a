#include "internet/client/DataTransfer.h"

#include "common/ErrorCodes.h"
#include "internet/protocol/PassiveReply.h"

namespace platform::ftpclient {

using ftpprotocol::FtpReply;
using ftpprotocol::ParseEpsvReply;
using ftpprotocol::ParsePasvReply;

namespace {

std::string PortArgument(const SocketAddress& address) {
    std::string text = address.HostText();
    for (char& c : text)
        if (c == '.') c = ',';
    uint16_t port = address.Port();
    return text + "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xFF);
}

}  // namespace

DataTransfer::DataTransfer(FtpConnection& connection)
    : Connection(connection), Buffer(connection.TransferBuffer()) {}

DataTransfer::~DataTransfer() = default;

uint32_t DataTransfer::Start(const std::string& command) {
    bool passive = Connection.Passive;
    bool noPortFree = false;
    uint32_t error = passive ? OpenPassive() : OpenActive(noPortFree);
    if (error != 0 && noPortFree) {
        // Nothing has been asked of the server yet: the passive way is still open.
        passive = true;
        error = OpenPassive();
    }
    if (error != 0) return error;
    if ((error = Connection.SendCommand(command))) return error;
    FtpReply& reply = Opening;
    if ((error = Connection.ReadReply(reply))) return error;
    if (reply.Code / 100 == 2) {
        // Some servers answer an empty listing at once, without a data stream.
        Completed = true;
        Closing = reply;
        Data.Close();
        Listener.Close();
        return 0;
    }
    if (reply.Code / 100 != 1) {
        Completed = true;
        Data.Close();
        Listener.Close();
        Refusal = reply.Code;
        return Connection.ReplyError(reply);
    }
    Started = true;
    if (!passive) {
        error =
            Listener.Accept(Connection.PeerAddress(), WaitLimit(Connection.Limits.ReceiveMs), Data);
        Listener.Close();
        if (error != 0) return Fail(error);
    }
    // The server begins its side of the handshake once it has answered the command.
    if (Connection.Secured() && (error = Connection.SecureDataConnection(Data)))
        return Fail(error);
    return 0;
}

uint32_t DataTransfer::OpenPassive() {
    SocketAddress target = Connection.PeerAddress();
    FtpReply reply;
    uint16_t port = 0;
    if (target.IsIpv6()) {
        if (uint32_t error = Connection.Expect("EPSV", "2", &reply)) return error;
        if (!ParseEpsvReply(reply.Text, port)) return ErrorCode::InternetInvalidServerResponse;
    } else {
        if (uint32_t error = Connection.Expect("PASV", "2", &reply)) return error;
        std::string namedHost;  // not trusted: the data goes to the control peer
        if (!ParsePasvReply(reply.Text, namedHost, port))
            return ErrorCode::InternetInvalidServerResponse;
    }
    target.SetPort(port);
    // Nothing has been asked of the server yet, so a failure here leaves the control
    // connection usable.
    return Socket::ConnectTo(Connection.Abort, target, WaitLimit(Connection.Limits.ConnectMs),
                             Data);
}

uint32_t DataTransfer::OpenActive(bool& noPortFree) {
    if (uint32_t error =
            Socket::Listen(Connection.Abort, Connection.LocalAddress(), Listener, &noPortFree))
        return error;
    SocketAddress listening;
    if (!Listener.LocalAddress(listening)) return ErrorCode::InternetCannotConnect;
    std::string command =
        listening.IsIpv6()
            ? "EPRT |2|" + listening.HostText() + "|" + std::to_string(listening.Port()) + "|"
            : "PORT " + PortArgument(listening);
    return Connection.Expect(command, "2");
}

uint32_t DataTransfer::ReceiveChunk(size_t& received) {
    Connection.Report(InternetStatus::ReceivingResponse);
    uint32_t error = Data.Receive(Buffer, FtpConnection::TransferBufferSize,
                                  WaitLimit(Connection.Limits.ReceiveMs), received);
    if (error != 0) return Fail(error);
    if (received > 0) Connection.Report(InternetStatus::ResponseReceived);
    if (received == 0) StreamEnded = true;
    return 0;
}

uint32_t DataTransfer::Send(const char* data, size_t size) {
    if (Completed) return 0;
    Connection.Report(InternetStatus::SendingRequest);
    uint32_t error = Data.SendAll(data, size, WaitLimit(Connection.Limits.SendMs),
                                  [&](size_t) { Connection.Report(InternetStatus::RequestSent); });
    if (error == 0) return 0;
    if (Started && (error == ErrorCode::InternetConnectionReset ||
                    error == ErrorCode::InternetConnectionAborted))
        return ServerEndedUpload(error);
    return Fail(error);
}

uint32_t DataTransfer::ServerEndedUpload(uint32_t error) {
    // The server closed the data connection while the file came: it has given up
    // on the transfer and says so on the control connection. Once that reply is
    // read, the connection is in a known state again, and the part the server
    // kept can be removed on it.
    Data.Close();
    Listener.Close();
    Completed = true;
    if (Connection.ReadFinalReply(Closing, 1) != 0) Connection.MarkBroken(error);
    return error;
}

uint32_t DataTransfer::Finish() {
    // The server sent its end of the stream, so everything it sent has arrived. A
    // reset rather than an orderly close keeps the server's end of the connection
    // from waiting out TIME-WAIT on the port it took: on a server that binds a new
    // port for every active data connection, thousands of such ports make each
    // later bind slower than the small file it is for.
    if (StreamEnded) {
        Data.CloseAbruptly();
    } else {
        // A server that reads a TLS upload to its end of stream counts it whole
        // only after the TLS end.
        uint32_t ended = Data.EndTls(WaitLimit(Connection.Limits.SendMs));
        Data.Close();
        if (ended != 0 && !Completed) return Fail(ended);
    }
    if (Completed) return 0;
    Completed = true;
    FtpReply& reply = Closing;
    // The 1xx reply that started the transfer counts towards the bound.
    if (uint32_t error = Connection.ReadFinalReply(reply, Started ? 1 : 0)) return error;
    if (reply.Code / 100 == 2) return 0;
    Refusal = reply.Code;
    return Connection.ReplyError(reply);
}

void DataTransfer::Abandon() {
    Data.Close();
    Listener.Close();
    if (!Started || Completed) return;
    Completed = true;
    FtpReply reply;
    Connection.ReadFinalReply(reply, 1);
}

uint32_t DataTransfer::Fail(uint32_t error) {
    Data.Close();
    Listener.Close();
    Completed = true;
    Connection.MarkBroken(error);
    return error;
}

}  // namespace platform::ftpclient
