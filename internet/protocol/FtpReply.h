#pragma once
// Reading FTP control-connection replies (single- and multi-line) out of the raw
// bytes a server sends. Pure: no sockets; the caller feeds what it received and
// takes complete replies off one at a time.

#include <cstddef>
#include <deque>
#include <string>

namespace ftpprotocol {

// One server reply. Text holds every line of the reply, each ending in "\r\n"
// (a server's bare "\n" is accepted as a line end and stored as "\r\n").
struct FtpReply {
    int Code = 0;
    std::string Text;
};

// Splits a byte stream into replies.
//
// A reply is either one line "ddd text" or a multi-line reply that begins with
// "ddd-" and ends at the first later line beginning "ddd " with the same code;
// lines in between may hold anything. A line of just "ddd" is taken as a
// single-line reply (and as the end of a multi-line reply with that code).
//
// Limits: no line may be longer than maxLineLength bytes (line end excluded) and no
// reply longer than maxReplyLength bytes. A server that goes past either is cut off
// at once: the bytes of the reply in progress are dropped and nothing more is
// stored, so a flood without line ends never grows the buffer beyond the caps.
//
// TooLong and Malformed are final: the stream cannot be resynchronised, so once
// Next has reported either, it reports it again on every call and Feed ignores
// further bytes. Replies completed before the fault are still returned first.
//
// Not thread-safe; one reader per control connection. Memory held is the complete
// replies not yet taken plus the reply in progress (at most maxReplyLength plus
// one line).
class FtpReplyReader {
public:
    explicit FtpReplyReader(size_t maxLineLength = 8192, size_t maxReplyLength = 256 * 1024);

    enum class Status { NeedMore, Complete, Malformed, TooLong };

    void Feed(const char* data, size_t size);
    // Takes one complete reply off the buffered bytes (Complete); reply is left
    // untouched for every other status.
    Status Next(FtpReply& reply);
    // Bytes held: complete replies not yet taken plus the reply in progress.
    size_t Buffered() const;

private:
    void TakeLine();
    void Fail(Status fault);

    size_t MaxLineLength;
    size_t MaxReplyLength;
    std::deque<FtpReply> Ready;
    size_t ReadyBytes = 0;
    std::string Line;                 // the line in progress, without its line end
    FtpReply Current;                 // the multi-line reply in progress (Code 0: none)
    Status Fault = Status::NeedMore;  // NeedMore: no fault
};

}  // namespace ftpprotocol
