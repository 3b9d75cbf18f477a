#include "platform/win32/InternetHandles.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform::win32 {

namespace {

using SharedCallback = std::shared_ptr<const InternetStatusCallback>;

std::mutex registryLock;
std::map<InternetHandle, SharedCallback> callbacks;
std::map<InternetHandle, InternetHandle> parents;
thread_local InternetHandle currentCall = NoInternetHandle;

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
    (*callback)(FromSystem(handle), context, status, passed, passedLength);
}

}  // namespace

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

CallOnHandle::CallOnHandle(InternetHandle handle) : Previous(currentCall) {
    currentCall = handle;
}

CallOnHandle::~CallOnHandle() {
    currentCall = Previous;
}

}  // namespace platform::win32
