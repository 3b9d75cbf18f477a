#pragma once
// Internal to the program's own FTP client: listing the working directory, read as it
// arrives into compact records (ListingReader, FindRecordStore), with the LIST
// request the connection's ListingRequest chooses ("LIST -a", and a plain LIST
// where that answer cannot be trusted).
//
// Bounds: a listing may be at most ListingLimit bytes and a line ListingLineLimit
// bytes; beyond, the listing fails with ErrorCode::InternetInvalidServerResponse
// and nothing of it is kept. Memory:
// the records of the entries the mask selects (24 bytes plus the name each) and
// one line; never the listing's text.
//
// Runs on the thread of the call that holds the connection's call lock.

#include <cstddef>
#include <string>

#include "internet/client/FtpConnection.h"
#include "internet/protocol/FindRecordStore.h"

namespace platform::ftpclient {

constexpr size_t ListingLimit = 256u * 1024 * 1024;
constexpr size_t ListingLineLimit = 64 * 1024;

// Lists the working directory into records (those the mask selects, in the order
// listed): 0 when a listing was read to its end, which may have selected nothing,
// else the error; records then holds nothing. A listing is read to its end only
// when its last line ended (else ErrorCode::InternetConnectionAborted: the data
// connection was cut) and its closing reply does not say that the server failed
// to read the folder (else ErrorCode::AccessDenied). truncated: the closing reply
// says that the server stopped listing after the entries it sent.
uint32_t ListWorkingDirectory(FtpConnection& connection, const std::string& mask,
                              ftpprotocol::FindRecordStore& records, bool& truncated);
// The same with MLSD: a machine-readable listing (RFC 3659). A server that does
// not know the command refuses it (ErrorCode::InternetExtendedError).
uint32_t ListWorkingDirectoryByFacts(FtpConnection& connection, const std::string& mask,
                                     ftpprotocol::FindRecordStore& records, bool& truncated);

}  // namespace platform::ftpclient
