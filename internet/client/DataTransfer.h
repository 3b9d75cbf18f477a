#pragma once
// Internal to the program's own FTP client: one data connection for one command (LIST,
// RETR, STOR), opened the way the connection's mode asks.
//
// Passive: PASV (EPSV when the control connection is IPv6), then a connection to
// the control connection's peer address at the port of the reply; the address a
// 227 reply names is never used, so a server cannot point us at a third host.
// Active: a listening socket on the control connection's local address, PORT
// (EPRT on IPv6), and after the server's 1xx reply an accept with the receive time
// limit that takes a connection only from the server's own address. When no local
// port is free for the listening socket (thousands of transfers within a minute
// leave every port of the range waiting), the transfer is made passively rather
// than failed.
//
// Every chunk received is reported (ReceivingResponse / ResponseReceived) and
// every part sent (SendingRequest / RequestSent), so a transfer that moves data
// reports many times a second. A failure on the data connection other than a
// server's error reply leaves the control connection broken: its state is unknown.
// The exception is an upload whose data connection the server closed: its final
// reply is read, and the control connection stays usable when it comes.
//
// Used by the thread running the call only; lives for one call.

#include <string>

#include "internet/client/FtpConnection.h"

namespace platform::ftpclient {

class DataTransfer {
public:
    explicit DataTransfer(FtpConnection& connection);
    ~DataTransfer();
    DataTransfer(const DataTransfer&) = delete;
    DataTransfer& operator=(const DataTransfer&) = delete;

    // Opens the data connection and sends command. 0 when the server has answered
    // 1xx (or completed at once with 2xx) and data can flow.
    uint32_t Start(const std::string& command);

    // Receives until the server ends the data stream, handing each chunk to sink,
    // which returns 0 to go on or an error code to stop the transfer.
    template <typename Sink>
    uint32_t ReceiveAll(Sink&& sink);
    uint32_t Send(const char* data, size_t size);

    // Ends the data stream and reads the final reply: 0 for 2xx, else the error.
    uint32_t Finish();
    // Gives up after a local failure: drops the data connection and reads the
    // server's final reply without judging it.
    void Abandon();
    // The code of the reply that refused the command (Start or Finish failed with
    // ErrorCode::InternetExtendedError), else 0.
    int RefusalCode() const { return Refusal; }
    // The reply that answered the command first (1xx, or the 2xx of a transfer
    // completed at once) and the one that ended it; Code 0 until each has come.
    const ftpprotocol::FtpReply& OpeningReply() const { return Opening; }
    const ftpprotocol::FtpReply& ClosingReply() const { return Closing; }

private:
    uint32_t OpenPassive();
    // noPortFree: the listening socket found no free local port.
    uint32_t OpenActive(bool& noPortFree);
    uint32_t ReceiveChunk(size_t& received);
    // A data connection failure: the control connection's state is unknown.
    uint32_t Fail(uint32_t error);
    uint32_t ServerEndedUpload(uint32_t error);

    FtpConnection& Connection;
    Socket Listener;
    Socket Data;
    bool Started = false;      // the command was sent and answered with 1xx
    bool StreamEnded = false;  // the server ended the data stream
    bool Completed = false;    // the final reply has been read
    int Refusal = 0;
    ftpprotocol::FtpReply Opening;
    ftpprotocol::FtpReply Closing;
    char* const Buffer;  // the connection's transfer buffer
};

template <typename Sink>
uint32_t DataTransfer::ReceiveAll(Sink&& sink) {
    if (Completed) return 0;
    for (;;) {
        size_t received = 0;
        if (uint32_t error = ReceiveChunk(received)) return error;
        if (received == 0) return 0;
        if (uint32_t error = sink(Buffer, received)) return error;
    }
}

}  // namespace platform::ftpclient
