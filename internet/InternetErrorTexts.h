#pragma once
// The program's own one-line descriptions of the Internet client's codes
// 12000-12999: the one table of them. The POSIX build gives them as its texts,
// the Windows build for the codes of TLS connections and where the system has
// no text, and the FTP device's messages
// show them with the code's number, so that a message reads the same on every
// build.

#include <cstdint>
#include <string>

namespace platform {

// The description of an Internet code, or empty for a code it does not know.
std::string OwnInternetErrorText(uint32_t code);

}  // namespace platform
