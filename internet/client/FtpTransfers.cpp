#include "internet/client/FtpTransfers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/ErrorCodes.h"
#include "common/NameMask.h"
#include "internet/client/DataTransfer.h"
#include "internet/client/LineEnds.h"
#include "internet/protocol/FileFactReplies.h"
#include "platform/posix/ErrnoMapping.h"

namespace platform::ftpclient {

using ftpprotocol::FindRecordStore;
using ftpprotocol::ReadAnnouncedSize;

namespace {

// Closes a local descriptor when the transfer ends, however it ends.
struct LocalFile {
    int Fd = -1;
    ~LocalFile() {
        if (Fd >= 0) close(Fd);
    }
};

uint32_t WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return posix::ErrorCodeFromErrno(errno);
        data += written;
        size -= size_t(written);
    }
    return 0;
}

uint32_t SendFile(DataTransfer& transfer, char* block, int fd, bool text) {
    LfToCrLf converter;
    std::string converted;
    for (;;) {
        ssize_t got = read(fd, block, FtpConnection::TransferBufferSize);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            uint32_t error = posix::ErrorCodeFromErrno(errno);
            transfer.Abandon();
            return error;
        }
        if (got == 0) return 0;
        uint32_t error = 0;
        if (text) {
            converted.clear();
            converter.Convert(block, size_t(got), converted);
            error = transfer.Send(converted.data(), converted.size());
        } else {
            error = transfer.Send(block, size_t(got));
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
    local.Fd = open(localPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (local.Fd < 0) return posix::ErrorCodeFromErrno(errno);
    struct stat info {};
    if (fstat(local.Fd, &info) == 0 && S_ISDIR(info.st_mode)) return ErrorCode::AccessDenied;
    if (uint32_t error = connection.EnsureType(text ? 'A' : 'I')) return error;
    DataTransfer transfer(connection);
    if (uint32_t error = transfer.Start("STOR " + remoteName)) return error;
    if (uint32_t error = SendFile(transfer, connection.TransferBuffer(), local.Fd, text))
        return error;
    return transfer.Finish();
}

uint32_t GetFile(FtpConnection& connection, const std::string& remoteName,
                 const std::string& localPath, bool failIfExists, bool text) {
    struct stat existing {};
    if (failIfExists && lstat(localPath.c_str(), &existing) == 0) return ErrorCode::FileExists;
    if (uint32_t error = connection.EnsureType(text ? 'A' : 'I')) return error;
    DataTransfer transfer(connection);
    if (uint32_t error = transfer.Start("RETR " + remoteName)) return error;
    // The local file is touched only once the server has agreed to send: a refused
    // download leaves an existing local file as it was.
    LocalFile local;
    local.Fd = open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (local.Fd < 0) {
        uint32_t error = posix::ErrorCodeFromErrno(errno);
        transfer.Abandon();
        return error;
    }
    CrLfToLf converter;
    std::string converted;
    uint64_t received = 0;
    uint32_t error = transfer.ReceiveAll([&](const char* data, size_t size) -> uint32_t {
        received += size;
        if (!text) return WriteAll(local.Fd, data, size);
        converted.clear();
        converter.Convert(data, size, converted);
        return WriteAll(local.Fd, converted.data(), converted.size());
    });
    if (error == 0 && text) {
        converted.clear();
        converter.Finish(converted);
        error = WriteAll(local.Fd, converted.data(), converted.size());
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
    if (error != 0) unlink(localPath.c_str());  // never leave a partial copy behind
    return error;
}

bool MaskMatches(const std::string& mask, const std::string& name) {
    return mask.empty() || MatchesNameMask(name, mask, NameMaskRules{});
}

}  // namespace platform::ftpclient
