#pragma once
// The Internet library's handles behind platform::InternetHandle, and the status
// callbacks registered for them. The library reports to one plain function for
// every handle; that function finds the callback registered for the handle (or
// for the handle it was opened through), or for the handle of the call that the
// calling thread is making when the library reports on a handle not yet
// returned to the caller.

#include "platform/win32/WinInetApi.h"

#include "platform/InternetClient.h"

namespace platform::win32 {

inline HINTERNET ToSystem(InternetHandle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}

inline InternetHandle FromSystem(HINTERNET handle) {
    return reinterpret_cast<InternetHandle>(handle);
}

// Registers (or, when empty, removes) the callback of a handle and installs the
// library's report function on it. False with the library's reason.
bool RegisterStatusCallback(InternetHandle handle, InternetStatusCallback callback);
// A handle opened through `parent` reports to the parent's callback until it gets
// one of its own. `copyCallback`: it keeps a copy of the parent's callback
// instead (connections keep their session's callback after the session closes).
void RegisterChildHandle(InternetHandle child, InternetHandle parent, bool copyCallback);
// Forgets everything registered for a closed handle.
void ForgetHandle(InternetHandle handle);

// While alive, marks the calling thread's current call as made on `handle`.
class CallOnHandle {
public:
    explicit CallOnHandle(InternetHandle handle);
    ~CallOnHandle();
    CallOnHandle(const CallOnHandle&) = delete;
    CallOnHandle& operator=(const CallOnHandle&) = delete;

private:
    InternetHandle Previous;
};

}  // namespace platform::win32
