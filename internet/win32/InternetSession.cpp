// Sessions, options, status callbacks, connections, closing and the texts: the
// handle calls of internet/InternetClient.h that are not FTP operations, over
// the Windows Internet library. The library speaks plain FTP only: connections
// secured with TLS are the program's own client's (internet/client/OwnClient.h).
// Each session of the library has a session of the own client beside it, which
// takes its options and its status callback, and through which its TLS
// connections are opened; handles of the own client go to it in every call.
#include "internet/win32/WinInetApi.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "internet/InternetErrorTexts.h"
#include "internet/client/OwnClient.h"
#include "internet/win32/InternetHandles.h"
#include "platform/LastError.h"

namespace platform {

using win32::FromSystem;
using win32::ToSystem;

namespace {

std::mutex sessionsLock;
// The library's sessions and the own client's sessions beside them.
std::map<InternetHandle, InternetHandle> ownSessions;

InternetHandle OwnSessionOf(InternetHandle session) {
    std::lock_guard<std::mutex> guard(sessionsLock);
    auto found = ownSessions.find(session);
    return found == ownSessions.end() ? NoInternetHandle : found->second;
}

// Whether handle belongs to the own client; its call is then made there.
bool Own(InternetHandle handle) {
    if (!ftpclient::OwnsHandle(handle)) return false;
    win32::NoteOwnClientCall();
    return true;
}

}  // namespace

InternetHandle InternetOpen(const std::string& agent) {
    InternetHandle session =
        FromSystem(::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY,
                                   nullptr, nullptr, 0));
    if (session == NoInternetHandle) return session;
    const InternetHandle own = ftpclient::InternetOpen(agent);
    std::lock_guard<std::mutex> guard(sessionsLock);
    ownSessions[session] = own;
    return session;
}

bool InternetCloseHandle(InternetHandle handle) {
    if (Own(handle)) return ftpclient::InternetCloseHandle(handle);
    bool closed;
    {
        win32::CallOnHandle call(handle);
        closed = ::InternetCloseHandle(ToSystem(handle)) != FALSE;
    }
    if (closed) {
        win32::ForgetHandle(handle);
        InternetHandle own = NoInternetHandle;
        {
            std::lock_guard<std::mutex> guard(sessionsLock);
            auto found = ownSessions.find(handle);
            if (found != ownSessions.end()) {
                own = found->second;
                ownSessions.erase(found);
            }
        }
        if (own != NoInternetHandle) ftpclient::InternetCloseHandle(own);
    }
    return closed;
}

bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value) {
    if (Own(handle)) return ftpclient::InternetSetOption(handle, option, value);
    if (InternetHandle own = OwnSessionOf(handle)) {
        // The library ignores some of these under wine; the own client does not.
        const DWORD lastError = ::GetLastError();
        ftpclient::InternetSetOption(own, option, value);
        ::SetLastError(lastError);
    }
    DWORD data = value;
    return ::InternetSetOptionA(ToSystem(handle), option, &data, sizeof data) != FALSE;
}

bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value) {
    if (Own(handle)) return ftpclient::InternetQueryOption(handle, option, value);
    DWORD data = 0;
    DWORD length = sizeof data;
    if (!::InternetQueryOptionA(ToSystem(handle), option, &data, &length)) return false;
    value = data;
    return true;
}

bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback) {
    if (Own(handle)) return ftpclient::InternetSetStatusCallback(handle, std::move(callback));
    if (InternetHandle own = OwnSessionOf(handle)) ftpclient::InternetSetStatusCallback(own, callback);
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
    if (win32::LastCallWasOwnClient()) return ftpclient::InternetGetLastResponseInfo(error, response);
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
    // The codes of TLS connections are the own client's: their texts are those
    // the POSIX build gives.
    if (code == ErrorCode::FtpTlsRefused || code == ErrorCode::FtpTlsNotAvailable ||
        code == ErrorCode::InternetCertificateNotTrusted ||
        code == ErrorCode::InternetSecurityChannelError)
        return OwnInternetErrorText(code);
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
    return true;
}

void InternetThreadDone() {
    // Schannel keeps nothing per thread.
}

InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security) {
    if (security.Mode != InternetSecurity::Plain) {
        const InternetHandle own = OwnSessionOf(session);
        win32::NoteOwnClientCall();
        if (own == NoInternetHandle) {
            ::SetLastError(ErrorCode::InvalidHandle);
            return NoInternetHandle;
        }
        return ftpclient::InternetConnect(own, host, port, userName, password, flags, context,
                                          security);
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
