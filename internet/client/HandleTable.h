#pragma once
// Internal to the program's own FTP client: the objects behind Internet handles, the table
// that maps handle numbers to them, and the status reports made on their behalf.
//
// Ownership and threads: the table holds one reference to each open object; a
// call takes its own reference (Find) for as long as it runs. Close removes the
// object from the table under the table's lock, so exactly one thread closes a
// handle; that thread then runs OnClose. The object is destroyed, and its
// descriptors closed, when the last reference goes, which may be the call that was
// blocked on it. Handle numbers are never reused.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "internet/InternetClient.h"

namespace platform::ftpclient {

enum class HandleKind { Session, Connection, Find, Data };

// The time limits of a session or connection, milliseconds (0: no limit).
struct TimeLimits {
    std::atomic<uint32_t> ConnectMs{60000};
    std::atomic<uint32_t> SendMs{300000};
    std::atomic<uint32_t> ReceiveMs{300000};

    void CopyFrom(const TimeLimits& other);
    bool Set(uint32_t option, uint32_t value);
    bool Query(uint32_t option, uint32_t& value) const;
};

// A poll-style time limit from an option value (INT_MAX at most; -1 for none).
int WaitLimit(uint32_t milliseconds);

class HandleObject {
public:
    HandleObject(HandleKind kind, InternetHandle id, uintptr_t context);
    virtual ~HandleObject() = default;
    HandleObject(const HandleObject&) = delete;
    HandleObject& operator=(const HandleObject&) = delete;

    const HandleKind Kind;
    const InternetHandle Id;
    const uintptr_t Context;

    bool Closed() const { return IsClosed.load(std::memory_order_acquire); }

    void SetCallback(InternetStatusCallback callback);
    std::shared_ptr<const InternetStatusCallback> Callback() const;

    // A report about this handle; none once the handle is closed, so that a call
    // cut off by a close reports nothing after the close's own reports.
    void Report(uint32_t status, const void* info = nullptr, uint32_t length = 0) const;
    // As Report, also while closing (for the reports of the close itself).
    void ReportAlways(uint32_t status, const void* info = nullptr, uint32_t length = 0) const;

protected:
    // Runs once, on the closing thread, after the object has left the table and is
    // marked closed, before HandleClosing is reported. Must not block for long.
    virtual void OnClose() {}

private:
    friend bool CloseHandleObject(InternetHandle handle);
    std::atomic<bool> IsClosed{false};
    mutable std::mutex CallbackLock;
    std::shared_ptr<const InternetStatusCallback> CurrentCallback;
};

InternetHandle NewHandleId();
// Whether handle is a number this table hands out (open or closed).
bool IsHandleNumber(InternetHandle handle);
void InsertHandle(std::shared_ptr<HandleObject> object);
std::shared_ptr<HandleObject> FindHandle(InternetHandle handle);

template <typename T>
std::shared_ptr<T> FindHandleAs(InternetHandle handle, HandleKind kind) {
    std::shared_ptr<HandleObject> found = FindHandle(handle);
    if (!found || found->Kind != kind) return nullptr;
    return std::static_pointer_cast<T>(found);
}

// false when the handle is not open (already closed, or never was).
bool CloseHandleObject(InternetHandle handle);

}  // namespace platform::ftpclient
