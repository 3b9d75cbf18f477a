#include <windows.h>

#include "platform/ErrorText.h"

namespace platform {

std::string SystemErrorText(uint32_t code) {
    DWORD lastError = ::GetLastError();
    char* buffer = nullptr;
    DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : "";
    if (buffer != nullptr) ::LocalFree(buffer);
    // The system's texts end in CR LF (some in a blank as well); messages are
    // one line.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    ::SetLastError(lastError);
    if (text.empty()) return "Unknown error " + std::to_string(code) + ".";
    return text;
}

}  // namespace platform
