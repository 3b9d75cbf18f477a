#pragma once
// Reading what a server says about one file in the text of a reply. Pure.

#include <cstdint>
#include <string>

#include "common/FileTime.h"

namespace ftpprotocol {

// "213 1234": the size SIZE gives. false for any other reply.
bool ReadSizeReply(const std::string& reply, uint64_t& size);

// "213 20261208053500" (a fraction ".123" may follow): the UTC time MDTM gives, as
// a file time. false for any other reply or an impossible time.
bool ReadTimeReply(const std::string& reply, FileTime& time);

// "150 Opening BINARY mode data connection for big.bin (20000000 bytes).": the
// size a server announces for a download (vsftpd, ProFTPD and others). false when
// the reply announces none.
bool ReadAnnouncedSize(const std::string& reply, uint64_t& size);

}  // namespace ftpprotocol
