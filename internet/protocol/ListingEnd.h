#pragma once
// What the closing reply of a listing says about it. Servers end a listing they
// could not make whole with a positive reply all the same, and say so only in
// its text:
//   vsftpd     "226 Transfer done (but failed to open directory)."
//   Pure-FTPd  "226-Sorry, we were unable to read [.]" ... "226 0 matches total"
//   Pure-FTPd  "226-Out of memory during globbing of ..." (a pattern it cannot expand)
//   Pure-FTPd  "226 Output truncated to 10000 matches"
// Taken as it stands, such a listing shows an unreadable folder as an empty one
// and a large one as a smaller one. Pure.

#include <string>

namespace ftpprotocol {

enum class ListingEnd {
    Complete,   // nothing said against it
    Failed,     // the server could not read the folder: the listing shows nothing of it
    Truncated,  // the server stopped after some entries: those it sent are right
};

// The closing reply's whole text (every line).
ListingEnd JudgeListingEnd(const std::string& closingReply);

}  // namespace ftpprotocol
