#pragma once
// The Internet library's handles behind platform::InternetHandle, and the status
// callbacks registered for them. The library reports to one plain function for
// every handle; that function finds the callback registered for the handle (or
// for the handle it was opened through), or for the handle of the call that the
// calling thread is making when the library reports on a handle not yet
// returned to the caller.

#include "internet/win32/WinInetApi.h"

#include "internet/InternetClient.h"

namespace platform::win32 {

inline HINTERNET ToSystem(InternetHandle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}

inline InternetHandle FromSystem(HINTERNET handle) {
    return reinterpret_cast<InternetHandle>(handle);
}

// The library reports nothing about a call made with context 0, which the
// platform's callers may use like any other value: 0 goes to the library as a
// value of its own and comes back to the callback as 0.
DWORD_PTR ToLibraryContext(uintptr_t context);
uintptr_t FromLibraryContext(DWORD_PTR context);

// Registers (or, when empty, removes) the callback of a handle and installs the
// library's report function on it. False with the library's reason.
bool RegisterStatusCallback(InternetHandle handle, InternetStatusCallback callback);
// A handle opened through `parent` reports to the parent's callback until it gets
// one of its own. `copyCallback`: it keeps a copy of the parent's callback
// instead (connections keep their session's callback after the session closes).
void RegisterChildHandle(InternetHandle child, InternetHandle parent, bool copyCallback);
// Forgets everything registered for a closed handle.
void ForgetHandle(InternetHandle handle);

// While alive, marks the calling thread's current call as made on `handle` and
// counts it among the calls in progress on that handle.
class CallOnHandle {
public:
    explicit CallOnHandle(InternetHandle handle);
    ~CallOnHandle();
    CallOnHandle(const CallOnHandle&) = delete;
    CallOnHandle& operator=(const CallOnHandle&) = delete;

    // The call's result, its reason brought to the platform's codes where the
    // library's differ: once the server has closed the control connection, the
    // library fails every call on it with 12110 (another call in progress), also
    // when nothing else is under way, and it reports a 421 reply as any other
    // refusal (12003); both are a session the server ended, 12111.
    bool Settle(bool succeeded) const;

private:
    InternetHandle Handle;
    InternetHandle Previous;
};

// Which client made the calling thread's last call: the own client (TLS
// connections) or the Windows library; InternetGetLastResponseInfo answers from it.
void NoteOwnClientCall();
bool LastCallWasOwnClient();

// The code of the calling thread's last server reply (the last line of the last
// response that begins with three digits); 0 when there is none.
int LastReplyCode();

}  // namespace platform::win32
