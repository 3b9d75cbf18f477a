#pragma once
// Internal to the program's own FTP client: the calls that move files (store, retrieve)
// and the request handles that transfers and listings report.
//
// A request handle (kind Data for a transfer, Find for a listing) is created and
// reported with HandleCreated before any data moves, so that a watchdog can close
// it: closing it while the transfer runs aborts the connection's call
// (ErrorCode::InternetConnectionAborted) and
// leaves the connection broken.
//
// The functions run on the thread of the call that holds the connection's call
// lock; each returns 0 or the error code.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "internet/client/FtpConnection.h"
#include "internet/protocol/FindRecordStore.h"

namespace platform::ftpclient {

class RequestHandle : public HandleObject {
public:
    RequestHandle(HandleKind kind, InternetHandle id, uintptr_t context,
                  std::shared_ptr<AbortSignal> abort);
    // The transfer is over: a close no longer aborts anything.
    void Finished() { Active.store(false); }

protected:
    void OnClose() override;

private:
    std::shared_ptr<AbortSignal> Abort;
    std::atomic<bool> Active{true};
};

// A finished listing: the records left for InternetFindNextFile.
class FindListing : public RequestHandle {
public:
    using RequestHandle::RequestHandle;
    // truncated: the server said it listed only these records of the folder.
    void SetRecords(ftpprotocol::FindRecordStore records, bool truncated);
    // false at the end.
    bool TakeNext(FindData& entry);
    bool Truncated() const { return WasTruncated; }

private:
    std::mutex Lock;
    ftpprotocol::FindRecordStore Records;
    bool WasTruncated = false;
};

// Creates a request handle for a call on connection, publishes it and reports it
// (HandleCreated on the connection, carrying the new handle).
template <typename T>
std::shared_ptr<T> PublishRequest(FtpConnection& connection, HandleKind kind, uintptr_t context) {
    auto request = std::make_shared<T>(kind, NewHandleId(), context, connection.Abort);
    if (auto callback = connection.Callback()) request->SetCallback(*callback);
    InsertHandle(request);
    InternetAsyncResult created{request->Id, 0};
    connection.Report(InternetStatus::HandleCreated, &created, sizeof created);
    return request;
}

uint32_t PutFile(FtpConnection& connection, const std::string& localPath,
                 const std::string& remoteName, bool text);
uint32_t GetFile(FtpConnection& connection, const std::string& remoteName,
                 const std::string& localPath, bool failIfExists, bool text);
// Whether name matches mask: "*" any run of bytes, "?" one byte, anything else
// itself (letter case counts). An empty mask matches every name.
bool MaskMatches(const std::string& mask, const std::string& name);

}  // namespace platform::ftpclient
