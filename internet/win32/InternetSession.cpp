// Sessions, options, status callbacks, connections, closing and the texts: the
// handle calls of internet/InternetClient.h that are not FTP operations, over
// the Windows Internet library.
#include "internet/win32/WinInetApi.h"

#include <cstring>
#include <vector>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "internet/InternetErrorTexts.h"
#include "internet/win32/InternetHandles.h"
#include "platform/LastError.h"

namespace platform {

using win32::FromSystem;
using win32::ToSystem;

InternetHandle InternetOpen(const std::string& agent) {
    return FromSystem(::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY,
                                      nullptr, nullptr, 0));
}

bool InternetCloseHandle(InternetHandle handle) {
    bool closed;
    {
        win32::CallOnHandle call(handle);
        closed = ::InternetCloseHandle(ToSystem(handle)) != FALSE;
    }
    if (closed) win32::ForgetHandle(handle);
    return closed;
}

bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value) {
    DWORD data = value;
    return ::InternetSetOptionA(ToSystem(handle), option, &data, sizeof data) != FALSE;
}

bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value) {
    DWORD data = 0;
    DWORD length = sizeof data;
    if (!::InternetQueryOptionA(ToSystem(handle), option, &data, &length)) return false;
    value = data;
    return true;
}

bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback) {
    return win32::RegisterStatusCallback(handle, std::move(callback));
}

bool InternetGetConnectedState(uint32_t& flags, std::string& connectionName) {
    DWORD state = 0;
    char name[512] = {};
    bool connected = ::InternetGetConnectedStateExA(&state, name, sizeof name, 0) != FALSE;
    flags = state;
    connectionName = name;
    return connected;
}

uint32_t InternetAttemptConnect() {
    return ::InternetAttemptConnect(0);
}

bool InternetGetLastResponseInfo(uint32_t& error, std::string& response) {
    DWORD lastError = ::GetLastError();
    DWORD code = 0;
    std::vector<char> buffer(1024);
    DWORD length = DWORD(buffer.size());
    bool got = ::InternetGetLastResponseInfoA(&code, buffer.data(), &length) != FALSE;
    if (!got && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(length + 1);
        length = DWORD(buffer.size());
        got = ::InternetGetLastResponseInfoA(&code, buffer.data(), &length) != FALSE;
    }
    ::SetLastError(lastError);
    if (!got || length == 0) return false;
    error = code;
    response.assign(buffer.data(),
                    strnlen(buffer.data(), length < buffer.size() ? length : buffer.size()));
    return true;
}

// The library's own text where it has one, the program's own otherwise (not
// every installation carries the library's message table).
std::string InternetErrorText(uint32_t code) {
    if (code < 12000 || code > 12999) return {};
    DWORD lastError = ::GetLastError();
    char* buffer = nullptr;
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    ::GetModuleHandleA("wininet.dll"), code, 0,
                                    reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : "";
    if (buffer != nullptr) ::LocalFree(buffer);
    ::SetLastError(lastError);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? OwnInternetErrorText(code) : text;
}

bool InternetOffersTls() {
    return false;
}

InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security) {
    // The Windows Internet library speaks plain FTP only.
    if (security.Mode != InternetSecurity::Plain) {
        ::SetLastError(ErrorCode::FtpTlsNotAvailable);
        return NoInternetHandle;
    }
    HINTERNET connection;
    {
        win32::CallOnHandle call(session);
        // No user name means anonymous; an empty password goes as none.
        connection = ::InternetConnectA(
            ToSystem(session), host.c_str(), port, userName.empty() ? nullptr : userName.c_str(),
            password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_FTP, flags,
            win32::ToLibraryContext(context));
    }
    if (connection == nullptr) return NoInternetHandle;
    win32::RegisterChildHandle(FromSystem(connection), session, true);
    return FromSystem(connection);
}

}  // namespace platform
