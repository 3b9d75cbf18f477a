#include "internet/win32/InternetHandles.h"

#include <cctype>
#include <map>
#include <memory>
#include <mutex>

namespace platform::win32 {

namespace {

using SharedCallback = std::shared_ptr<const InternetStatusCallback>;

std::mutex registryLock;
std::map<InternetHandle, SharedCallback> callbacks;
std::map<InternetHandle, InternetHandle> parents;
std::map<InternetHandle, int> callsInProgress;
thread_local InternetHandle currentCall = NoInternetHandle;
thread_local bool lastCallOwn = false;
const char zeroContext = 0;

SharedCallback CallbackOf(InternetHandle handle) {
    std::lock_guard<std::mutex> guard(registryLock);
    for (int depth = 0; depth < 4 && handle != NoInternetHandle; ++depth) {
        auto found = callbacks.find(handle);
        if (found != callbacks.end()) return found->second;
        auto parent = parents.find(handle);
        handle = parent == parents.end() ? NoInternetHandle : parent->second;
    }
    return nullptr;
}

// The library's report, turned into the platform's: handles become numbers, and
// the records of HandleCreated and RequestComplete the platform's record.
void CALLBACK ReportStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                           DWORD infoLength) {
    SharedCallback callback = CallbackOf(FromSystem(handle));
    if (!callback) callback = CallbackOf(currentCall);
    if (!callback || !*callback) return;
    InternetAsyncResult result;
    InternetHandle closing = NoInternetHandle;
    const void* passed = info;
    uint32_t passedLength = infoLength;
    if ((status == INTERNET_STATUS_HANDLE_CREATED || status == INTERNET_STATUS_REQUEST_COMPLETE) &&
        info != nullptr && infoLength >= sizeof(INTERNET_ASYNC_RESULT)) {
        const auto* async = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        result.Result = async->dwResult;
        result.Error = async->dwError;
        passed = &result;
        passedLength = sizeof result;
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING && info != nullptr &&
               infoLength >= sizeof(HINTERNET)) {
        closing = FromSystem(*static_cast<const HINTERNET*>(info));
        passed = &closing;
        passedLength = sizeof closing;
    }
    (*callback)(FromSystem(handle), FromLibraryContext(context), status, passed, passedLength);
}

}  // namespace

DWORD_PTR ToLibraryContext(uintptr_t context) {
    return context == 0 ? reinterpret_cast<DWORD_PTR>(&zeroContext) : context;
}

uintptr_t FromLibraryContext(DWORD_PTR context) {
    return context == reinterpret_cast<DWORD_PTR>(&zeroContext) ? 0 : context;
}

bool RegisterStatusCallback(InternetHandle handle, InternetStatusCallback callback) {
    bool remove = !callback;
    INTERNET_STATUS_CALLBACK previous =
        ::InternetSetStatusCallbackA(ToSystem(handle), remove ? nullptr : ReportStatus);
    if (previous == INTERNET_INVALID_STATUS_CALLBACK) return false;
    std::lock_guard<std::mutex> guard(registryLock);
    if (remove) {
        callbacks.erase(handle);
    } else {
        callbacks[handle] = std::make_shared<const InternetStatusCallback>(std::move(callback));
    }
    return true;
}

void RegisterChildHandle(InternetHandle child, InternetHandle parent, bool copyCallback) {
    std::lock_guard<std::mutex> guard(registryLock);
    if (!copyCallback) {
        parents[child] = parent;
        return;
    }
    auto found = callbacks.find(parent);
    if (found != callbacks.end()) callbacks[child] = found->second;
}

void ForgetHandle(InternetHandle handle) {
    std::lock_guard<std::mutex> guard(registryLock);
    callbacks.erase(handle);
    parents.erase(handle);
}

void NoteOwnClientCall() {
    lastCallOwn = true;
}

bool LastCallWasOwnClient() {
    return lastCallOwn;
}

CallOnHandle::CallOnHandle(InternetHandle handle) : Handle(handle), Previous(currentCall) {
    currentCall = handle;
    lastCallOwn = false;
    std::lock_guard<std::mutex> guard(registryLock);
    ++callsInProgress[handle];
}

CallOnHandle::~CallOnHandle() {
    currentCall = Previous;
    std::lock_guard<std::mutex> guard(registryLock);
    if (--callsInProgress[Handle] == 0) callsInProgress.erase(Handle);
}

bool CallOnHandle::Settle(bool succeeded) const {
    if (succeeded) return true;
    const DWORD reason = ::GetLastError();
    if (reason == ERROR_INTERNET_EXTENDED_ERROR && LastReplyCode() == 421) {
        // The server's notice that it is closing the session.
        ::SetLastError(ERROR_FTP_DROPPED);
    } else if (reason == ERROR_FTP_TRANSFER_IN_PROGRESS) {
        std::lock_guard<std::mutex> guard(registryLock);
        // A listing left open is a transfer in progress indeed.
        bool busy = callsInProgress[Handle] > 1;
        for (const auto& [child, parent] : parents) busy = busy || parent == Handle;
        if (!busy) ::SetLastError(ERROR_FTP_DROPPED);
    }
    return false;
}

int LastReplyCode() {
    uint32_t error = 0;
    std::string response;
    if (!InternetGetLastResponseInfo(error, response)) return 0;
    // The last reply of the response is its last line that begins with a code.
    int code = 0;
    for (size_t start = 0; start < response.size();) {
        size_t end = response.find('\n', start);
        if (end == std::string::npos) end = response.size();
        if (end - start >= 3 && isdigit(uint8_t(response[start])) &&
            isdigit(uint8_t(response[start + 1])) && isdigit(uint8_t(response[start + 2])))
            code = (response[start] - '0') * 100 + (response[start + 1] - '0') * 10 +
                   (response[start + 2] - '0');
        start = end + 1;
    }
    return code;
}

}  // namespace platform::win32
