#include "internet/client/HandleTable.h"

#include <climits>
#include <unordered_map>

namespace platform::ftpclient {

namespace {

struct Table {
    std::mutex Lock;
    std::unordered_map<InternetHandle, std::shared_ptr<HandleObject>> Objects;
};

Table& Handles() {
    static Table* table = new Table;  // never destroyed: abandoned threads may outlive main
    return *table;
}

// Far above the numbers the Windows Internet library hands out, whose handles
// the Windows build holds beside these.
constexpr InternetHandle FirstHandle = InternetHandle(0x7E1) << 52;
std::atomic<InternetHandle> nextHandle{FirstHandle};

}  // namespace

void TimeLimits::CopyFrom(const TimeLimits& other) {
    ConnectMs = other.ConnectMs.load();
    SendMs = other.SendMs.load();
    ReceiveMs = other.ReceiveMs.load();
}

bool TimeLimits::Set(uint32_t option, uint32_t value) {
    switch (option) {
        case InternetOption::ConnectTimeout:
            ConnectMs = value;
            return true;
        case InternetOption::SendTimeout:
            SendMs = value;
            return true;
        case InternetOption::ReceiveTimeout:
            ReceiveMs = value;
            return true;
        default:
            return false;
    }
}

bool TimeLimits::Query(uint32_t option, uint32_t& value) const {
    switch (option) {
        case InternetOption::ConnectTimeout:
            value = ConnectMs;
            return true;
        case InternetOption::SendTimeout:
            value = SendMs;
            return true;
        case InternetOption::ReceiveTimeout:
            value = ReceiveMs;
            return true;
        default:
            return false;
    }
}

int WaitLimit(uint32_t milliseconds) {
    if (milliseconds == 0) return -1;
    return milliseconds > uint32_t(INT_MAX) ? INT_MAX : int(milliseconds);
}

HandleObject::HandleObject(HandleKind kind, InternetHandle id, uintptr_t context)
    : Kind(kind), Id(id), Context(context) {}

void HandleObject::SetCallback(InternetStatusCallback callback) {
    auto shared =
        callback ? std::make_shared<const InternetStatusCallback>(std::move(callback)) : nullptr;
    std::lock_guard<std::mutex> guard(CallbackLock);
    CurrentCallback = std::move(shared);
}

std::shared_ptr<const InternetStatusCallback> HandleObject::Callback() const {
    std::lock_guard<std::mutex> guard(CallbackLock);
    return CurrentCallback;
}

void HandleObject::Report(uint32_t status, const void* info, uint32_t length) const {
    if (!Closed()) ReportAlways(status, info, length);
}

void HandleObject::ReportAlways(uint32_t status, const void* info, uint32_t length) const {
    // Called without any lock held: the callback may call back into the client.
    if (auto callback = Callback()) (*callback)(Id, Context, status, info, length);
}

bool IsHandleNumber(InternetHandle handle) {
    return handle >= FirstHandle;
}

InternetHandle NewHandleId() {
    return nextHandle.fetch_add(1);
}

void InsertHandle(std::shared_ptr<HandleObject> object) {
    Table& table = Handles();
    std::lock_guard<std::mutex> guard(table.Lock);
    table.Objects.emplace(object->Id, std::move(object));
}

std::shared_ptr<HandleObject> FindHandle(InternetHandle handle) {
    Table& table = Handles();
    std::lock_guard<std::mutex> guard(table.Lock);
    auto found = table.Objects.find(handle);
    return found == table.Objects.end() ? nullptr : found->second;
}

bool CloseHandleObject(InternetHandle handle) {
    std::shared_ptr<HandleObject> object;
    {
        Table& table = Handles();
        std::lock_guard<std::mutex> guard(table.Lock);
        auto found = table.Objects.find(handle);
        if (found == table.Objects.end()) return false;
        object = std::move(found->second);
        table.Objects.erase(found);
    }
    object->IsClosed.store(true, std::memory_order_release);
    object->OnClose();
    InternetHandle closing = handle;
    object->ReportAlways(InternetStatus::HandleClosing, &closing, sizeof closing);
    object->SetCallback(nullptr);
    return true;
}

}  // namespace platform::ftpclient
