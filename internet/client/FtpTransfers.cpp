#include "internet/client/FtpTransfers.h"

#include "common/ErrorCodes.h"
#include "common/NameMask.h"
#include "internet/client/DataTransfer.h"
#include "internet/client/LineEnds.h"
#include "internet/client/LocalFiles.h"
#include "internet/protocol/FileFactReplies.h"

namespace platform::ftpclient {

using ftpprotocol::FindRecordStore;
using ftpprotocol::ReadAnnouncedSize;

namespace {

uint32_t SendFile(DataTransfer& transfer, char* block, LocalFile& file, bool text) {
    LfToCrLf converter;
    std::string converted;
    for (;;) {
        size_t got = 0;
        if (uint32_t error = file.Read(block, FtpConnection::TransferBufferSize, got)) {
            transfer.Abandon();
            return error;
        }
        if (got == 0) return 0;
        uint32_t error = 0;
        if (text) {
            converted.clear();
            converter.Convert(block, got, converted);
            error = transfer.Send(converted.data(), converted.size());
        } else {
            error = transfer.Send(block, got);
        }
        if (error != 0) return error;
    }
}

}  // namespace

RequestHandle::RequestHandle(HandleKind kind, InternetHandle id, uintptr_t context,
                             std::shared_ptr<AbortSignal> abort)
    : HandleObject(kind, id, context), Abort(std::move(abort)) {}

void RequestHandle::OnClose() {
    if (Active.load()) Abort->Raise();
}

void FindListing::SetRecords(FindRecordStore records, bool truncated) {
    std::lock_guard<std::mutex> guard(Lock);
    Records = std::move(records);
    WasTruncated = truncated;
}

bool FindListing::TakeNext(FindData& entry) {
    std::lock_guard<std::mutex> guard(Lock);
    return Records.TakeNext(entry);
}

uint32_t PutFile(FtpConnection& connection, const std::string& localPath,
                 const std::string& remoteName, bool text) {
    LocalFile local;
    if (uint32_t error = local.OpenForReading(localPath)) return error;
    if (uint32_t error = connection.EnsureType(text ? 'A' : 'I')) return error;
    DataTransfer transfer(connection);
    if (uint32_t error = transfer.Start("STOR " + remoteName)) return error;
    if (uint32_t error = SendFile(transfer, connection.TransferBuffer(), local, text))
        return error;
    return transfer.Finish();
}

uint32_t GetFile(FtpConnection& connection, const std::string& remoteName,
                 const std::string& localPath, bool failIfExists, bool text) {
    if (failIfExists && LocalPathExists(localPath)) return ErrorCode::FileExists;
    if (uint32_t error = connection.EnsureType(text ? 'A' : 'I')) return error;
    DataTransfer transfer(connection);
    if (uint32_t error = transfer.Start("RETR " + remoteName)) return error;
    // The local file is touched only once the server has agreed to send: a refused
    // download leaves an existing local file as it was.
    LocalFile local;
    if (uint32_t error = local.Create(localPath)) {
        transfer.Abandon();
        return error;
    }
    CrLfToLf converter;
    std::string converted;
    uint64_t received = 0;
    uint32_t error = transfer.ReceiveAll([&](const char* data, size_t size) -> uint32_t {
        received += size;
        if (!text) return local.Write(data, size);
        converted.clear();
        converter.Convert(data, size, converted);
        return local.Write(converted.data(), converted.size());
    });
    if (error == 0 && text) {
        converted.clear();
        converter.Finish(converted);
        error = local.Write(converted.data(), converted.size());
    }
    if (error != 0)
        transfer.Abandon();
    else
        error = transfer.Finish();
    // A data connection cut part-way ends like a complete one, and the server,
    // which has sent everything into it, says the transfer is complete.
    uint64_t announced = 0;
    if (error == 0 && !text && ReadAnnouncedSize(transfer.OpeningReply().Text, announced) &&
        announced != received)
        error = ErrorCode::InternetConnectionAborted;
    // A close can fail too (a full disk on a share; on Windows, an interrupt
    // that took the file).
    if (uint32_t closed = local.Close(); error == 0) error = closed;
    if (error != 0) RemoveLocalFile(localPath);  // never leave a partial copy behind
    return error;
}

bool MaskMatches(const std::string& mask, const std::string& name) {
    return mask.empty() || MatchesNameMask(name, mask, NameMaskRules{});
}

}  // namespace platform::ftpclient
