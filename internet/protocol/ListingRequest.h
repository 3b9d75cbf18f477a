#pragma once
// Which LIST request lists a folder, so that names beginning with "." are listed
// also by servers that leave them out of a plain LIST (vsftpd, ProFTPD and
// Pure-FTPd show them, with "." and "..", for "LIST -a"), while a server that
// does not understand "-a" never makes a folder look empty or different.
//
// One object per connection, used by the call that lists. It first asks with
// "LIST -a" and judges the answer (AfterFirst):
//   - entries listed: taken, unless the only entry is named "-a" (a server that
//     took the option for a name);
//   - nothing listed (an empty answer, or only lines that are no entries, such as
//     an error message sent as listing data): not trusted; the folder is listed
//     again with a plain LIST, whose answer stands. Once "-a" has listed entries
//     on the connection, though, the server has shown that it does not take "-a"
//     for a name (that would list nothing in any folder), and an empty answer is
//     an empty folder;
//   - refused with 450 or a 5xx reply (an option the server does not know, or a
//     name it cannot find): listed again plainly;
//   - any other failure (a broken data connection, 421, 425, a time-out): the
//     listing failed; no second request.
// Once a plain LIST has listed entries after "-a" was refused with a 5xx reply or
// gave nothing, the server evidently does not take the option: the connection's
// later listings use a plain LIST only (AfterPlain). A server that shows "." and
// ".." thus costs one LIST per folder, one that ignores "-a" one per folder once
// it has listed a folder that is not empty (two for an empty folder before), and
// one that refuses it one request after the first.
//
// Pure: the caller sends the requests and describes their answers.

#include <cstddef>
#include <cstdint>

namespace ftpprotocol {

// What one LIST request gave.
struct ListingAnswer {
    // 0: read to its end; ErrorCode::InternetExtendedError: refused with Code;
    // else the failure.
    uint32_t Error = 0;
    int Code = 0;            // the reply code that refused it
    size_t Entries = 0;      // entries listed, whatever the caller keeps of them
    bool OnlyDashA = false;  // exactly one entry, named "-a"
    bool Truncated = false;  // the server says it stopped after the entries it sent
};

class ListingRequest {
public:
    enum class Step { Take, ListPlainly, Fail };

    // "LIST -a", or "LIST" once the connection has learnt that "-a" is not taken.
    const char* FirstCommand() const;
    // What to do with the answer to FirstCommand; learns from an answer it takes.
    Step AfterFirst(const ListingAnswer& answer);
    // Learns from the plain listing that followed a first answer.
    void AfterPlain(const ListingAnswer& first, const ListingAnswer& plain);

private:
    bool PlainOnly = false;
    bool DashAListed = false;  // "LIST -a" has listed entries on this connection
};

}  // namespace ftpprotocol
