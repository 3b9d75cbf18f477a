// The FTP calls of the own client (OwnClient.h) on a connection handle. Each runs
// under the connection's call lock, sends only the commands it needs, and reports
// RequestComplete when it has run.

#include "common/ErrorCodes.h"
#include "internet/client/OwnClient.h"
#include "internet/client/FolderListing.h"
#include "internet/client/FtpConnection.h"
#include "internet/client/FtpTransfers.h"
#include "internet/protocol/FileFactReplies.h"
#include "platform/LastError.h"

namespace platform::ftpclient {

using ftpprotocol::FindRecordStore;
using ftpprotocol::FtpReply;
using ftpprotocol::ReadSizeReply;
using ftpprotocol::ReadTimeReply;

namespace {

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

template <typename Call>
bool RunCall(InternetHandle handle, Call&& call) {
    auto connection = FindHandleAs<FtpConnection>(handle, HandleKind::Connection);
    if (!connection) return Fail(ErrorCode::InvalidHandle);
    uint32_t error = 0;
    auto lock = connection->BeginCall(error);
    if (error != 0) return Fail(error);
    error = call(*connection);
    InternetAsyncResult done{error == 0 ? 1u : 0u, error};
    connection->Report(InternetStatus::RequestComplete, &done, sizeof done);
    return error == 0 ? true : Fail(error);
}

// The path of a 257 reply: the first quoted text, "" standing for one quote.
bool QuotedPath(const std::string& reply, std::string& path) {
    size_t open = reply.find('"');
    if (open == std::string::npos) return false;
    std::string result;
    for (size_t i = open + 1; i < reply.size(); ++i) {
        if (reply[i] != '"') {
            if (reply[i] == '\r' || reply[i] == '\n') return false;
            result.push_back(reply[i]);
        } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
            result.push_back('"');
            ++i;
        } else {
            path = result;
            return true;
        }
    }
    return false;
}

bool ValidTransferType(uint32_t type) {
    return type == FtpTransferTypeAscii || type == FtpTransferTypeBinary;
}

}  // namespace

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory) {
    if (directory.empty()) return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) { return c.Expect("CWD " + directory, "2"); });
}

bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory) {
    return RunCall(connection, [&](FtpConnection& c) -> uint32_t {
        FtpReply reply;
        if (uint32_t error = c.Expect("PWD", "2", &reply)) return error;
        if (reply.Code != 257 || !QuotedPath(reply.Text, directory))
            return ErrorCode::InternetInvalidServerResponse;
        return 0;
    });
}

InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context) {
    InternetHandle result = NoInternetHandle;
    RunCall(connection, [&](FtpConnection& c) -> uint32_t {
        auto find = PublishRequest<FindListing>(c, HandleKind::Find, context);
        FindRecordStore records;
        bool truncated = false;
        uint32_t error = (flags & FtpFlagListByFacts) != 0
                             ? ListWorkingDirectoryByFacts(c, mask, records, truncated)
                             : ListWorkingDirectory(c, mask, records, truncated);
        find->Finished();
        if (error == 0 && find->Closed()) error = ErrorCode::InternetConnectionAborted;
        if (error == 0 && !records.TakeNext(entry))
            error = truncated ? ErrorCode::MoreData : ErrorCode::NoMoreFiles;
        if (error != 0) {
            CloseHandleObject(find->Id);
            return error;
        }
        find->SetRecords(std::move(records), truncated);
        result = find->Id;
        return 0;
    });
    return result;
}

bool InternetFindNextFile(InternetHandle find, FindData& entry) {
    auto listing = FindHandleAs<FindListing>(find, HandleKind::Find);
    if (!listing) return Fail(ErrorCode::InvalidHandle);
    if (listing->TakeNext(entry)) return true;
    return Fail(listing->Truncated() ? ErrorCode::MoreData : ErrorCode::NoMoreFiles);
}

bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context) {
    if (!ValidTransferType(transferType) || remoteName.empty())
        return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) {
        auto request = PublishRequest<RequestHandle>(c, HandleKind::Data, context);
        uint32_t error = PutFile(c, localPath, remoteName, transferType == FtpTransferTypeAscii);
        request->Finished();
        CloseHandleObject(request->Id);
        return error;
    });
}

bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context) {
    if (!ValidTransferType(transferType) || remoteName.empty() || localPath.empty())
        return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) {
        auto request = PublishRequest<RequestHandle>(c, HandleKind::Data, context);
        uint32_t error =
            GetFile(c, remoteName, localPath, failIfExists, transferType == FtpTransferTypeAscii);
        request->Finished();
        CloseHandleObject(request->Id);
        return error;
    });
}

bool FtpGetFileSize(InternetHandle connection, const std::string& name, uint64_t& size) {
    if (name.empty()) return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) -> uint32_t {
        // In text type a server would count the bytes as it would send them, or
        // refuse (ProFTPD).
        if (uint32_t error = c.EnsureType('I')) return error;
        FtpReply reply;
        if (uint32_t error = c.Expect("SIZE " + name, "2", &reply)) return error;
        return ReadSizeReply(reply.Text, size) ? 0 : ErrorCode::InternetInvalidServerResponse;
    });
}

bool FtpGetFileTime(InternetHandle connection, const std::string& name, FileTime& time) {
    if (name.empty()) return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) -> uint32_t {
        FtpReply reply;
        if (uint32_t error = c.Expect("MDTM " + name, "2", &reply)) return error;
        return ReadTimeReply(reply.Text, time) ? 0 : ErrorCode::InternetInvalidServerResponse;
    });
}

bool FtpDeleteFile(InternetHandle connection, const std::string& name) {
    return RunCall(connection, [&](FtpConnection& c) { return c.Expect("DELE " + name, "2"); });
}

bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName) {
    return RunCall(connection, [&](FtpConnection& c) -> uint32_t {
        if (uint32_t error = c.Expect("RNFR " + oldName, "3")) return error;
        return c.Expect("RNTO " + newName, "2");
    });
}

bool FtpCreateDirectory(InternetHandle connection, const std::string& name) {
    return RunCall(connection, [&](FtpConnection& c) { return c.Expect("MKD " + name, "2"); });
}

bool FtpRemoveDirectory(InternetHandle connection, const std::string& name) {
    return RunCall(connection, [&](FtpConnection& c) { return c.Expect("RMD " + name, "2"); });
}

bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t /*context*/) {
    if (command.empty()) return Fail(ErrorCode::InvalidParameter);
    return RunCall(connection, [&](FtpConnection& c) { return c.Expect(command, "23"); });
}

}  // namespace platform::ftpclient
