#pragma once
// Internal to the program's own FTP client: the calling thread's last server response, as
// InternetGetLastResponseInfo hands it out. Each thread has its own; a reply read
// on one thread never shows in another's.

#include <cstdint>
#include <string>

namespace platform::ftpclient {

// Every final reply a call reads becomes the thread's last response; error is
// ErrorCode::InternetExtendedError for an error reply and 0 otherwise.
void SetThreadLastResponse(uint32_t error, const std::string& text);
// false when this thread has received no response yet.
bool GetThreadLastResponse(uint32_t& error, std::string& text);

}  // namespace platform::ftpclient
