// The FTP calls of internet/InternetClient.h over the Windows Internet library,
// or, on the handles of TLS connections, over the program's own client
// (internet/client/OwnClient.h).
// The library speaks FTP itself; here its results are brought to the platform's
// contract where libraries differ (an empty listing, a dropped session, a failed
// download's file), and a download writes its file itself, so that an interrupt
// can remove it.
#include "internet/win32/WinInetApi.h"

#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "internet/client/OwnClient.h"
#include "internet/protocol/FileFactReplies.h"
#include "internet/protocol/ListingEnd.h"
#include "internet/win32/InternetHandles.h"
#include "platform/LastError.h"
#include "platform/win32/InterruptState.h"
#include "platform/win32/SystemTypes.h"

namespace platform {

using win32::CallOnHandle;
using win32::ToSystem;

namespace {

// Whether handle belongs to the own client; its call is then made there.
bool Own(InternetHandle handle) {
    if (!ftpclient::OwnsHandle(handle)) return false;
    win32::NoteOwnClientCall();
    return true;
}

}  // namespace

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory) {
    if (Own(connection)) return ftpclient::FtpSetCurrentDirectory(connection, directory);
    CallOnHandle call(connection);
    return call.Settle(::FtpSetCurrentDirectoryA(ToSystem(connection), directory.c_str()));
}

bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory) {
    if (Own(connection)) return ftpclient::FtpGetCurrentDirectory(connection, directory);
    CallOnHandle call(connection);
    char buffer[4096];
    DWORD length = sizeof buffer;
    if (!call.Settle(::FtpGetCurrentDirectoryA(ToSystem(connection), buffer, &length)))
        return false;
    // Whether the length counts the terminating NUL differs between versions of
    // the library: the text ends at the NUL.
    directory.assign(buffer, strnlen(buffer, length < sizeof buffer ? length : sizeof buffer));
    return true;
}

namespace {

// The library takes a listing that the server broke off (426) or refused after
// opening the data connection (450) for a complete one, also when it holds no
// record, and ends a listing that found nothing without a reason (its last
// error 0). Only the server's closing reply tells: positive (226) for a complete
// listing, an error reply for one that is not.
// A positive closing reply can still say that the server could not read the
// folder, or stopped part-way (ListingEnd.h).
uint32_t ListingFailure(bool& truncated) {
    const int code = win32::LastReplyCode();
    if (code >= 200 && code < 300) {
        uint32_t error = 0;
        std::string response;
        InternetGetLastResponseInfo(error, response);
        const ftpprotocol::ListingEnd end = ftpprotocol::JudgeListingEnd(response);
        truncated = end == ftpprotocol::ListingEnd::Truncated;
        return end == ftpprotocol::ListingEnd::Failed ? ErrorCode::AccessDenied
                                                      : ErrorCode::Success;
    }
    if (code >= 400) return ErrorCode::InternetExtendedError;
    return ErrorCode::InternetConnectionAborted;
}

// The find handles of listings that the server said it cut short: their
// enumeration ends with ErrorCode::MoreData.
std::mutex truncatedLock;
std::set<InternetHandle> truncatedFinds;

// Sends a command that needs no data connection and takes its reply text.
bool CommandReply(InternetHandle connection, const std::string& command, std::string& reply) {
    CallOnHandle call(connection);
    if (!call.Settle(::FtpCommandA(ToSystem(connection), FALSE, FTP_TRANSFER_TYPE_BINARY,
                                   command.c_str(), 0, nullptr)))
        return false;
    uint32_t error = 0;
    InternetGetLastResponseInfo(error, reply);
    return true;
}

}  // namespace

InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context) {
    if (Own(connection)) return ftpclient::FtpFindFirstFile(connection, mask, entry, flags, context);
    if ((flags & FtpFlagListByFacts) != 0) {
        // The library lists with LIST only.
        SetLastErrorCode(ErrorCode::NotSupported);
        return NoInternetHandle;
    }
    CallOnHandle call(connection);
    WIN32_FIND_DATAA record{};
    SetLastErrorCode(ErrorCode::Success);
    HINTERNET find =
        ::FtpFindFirstFileA(ToSystem(connection), mask.empty() ? nullptr : mask.c_str(), &record,
                            flags, win32::ToLibraryContext(context));
    const uint32_t reason = GetLastErrorCode();
    bool truncated = false;
    if (reason == ErrorCode::Success || reason == ErrorCode::NoMoreFiles) {
        const uint32_t failure = ListingFailure(truncated);
        if (failure != ErrorCode::Success) {
            if (find != nullptr) ::InternetCloseHandle(find);
            find = nullptr;
            SetLastErrorCode(failure);
        } else if (find == nullptr) {
            SetLastErrorCode(truncated ? ErrorCode::MoreData : ErrorCode::NoMoreFiles);
        }
    }
    if (find == nullptr) {
        call.Settle(false);
        return NoInternetHandle;
    }
    entry = win32::FromSystem(record);
    win32::RegisterChildHandle(win32::FromSystem(find), connection, false);
    if (truncated) {
        std::lock_guard<std::mutex> guard(truncatedLock);
        truncatedFinds.insert(win32::FromSystem(find));
    }
    return win32::FromSystem(find);
}

bool InternetFindNextFile(InternetHandle find, FindData& entry) {
    if (Own(find)) return ftpclient::InternetFindNextFile(find, entry);
    CallOnHandle call(find);
    WIN32_FIND_DATAA record{};
    if (!call.Settle(::InternetFindNextFileA(ToSystem(find), &record))) {
        if (GetLastErrorCode() == ErrorCode::NoMoreFiles) {
            std::lock_guard<std::mutex> guard(truncatedLock);
            if (truncatedFinds.erase(find) != 0) SetLastErrorCode(ErrorCode::MoreData);
        }
        return false;
    }
    entry = win32::FromSystem(record);
    return true;
}

bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context) {
    if (Own(connection))
        return ftpclient::FtpPutFile(connection, localPath, remoteName, transferType, context);
    CallOnHandle call(connection);
    return call.Settle(::FtpPutFileA(ToSystem(connection), localPath.c_str(), remoteName.c_str(),
                                     transferType, win32::ToLibraryContext(context)));
}

namespace {

// Copies what the opened remote file sends into `local`; false with the reason
// as the last error code when reading or writing fails.
bool ReceiveInto(HINTERNET remote, HANDLE local, uint64_t& received) {
    static constexpr DWORD ChunkBytes = 64 * 1024;
    std::vector<char> chunk(ChunkBytes);
    for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(remote, chunk.data(), ChunkBytes, &got)) return false;
        if (got == 0) return true;
        received += got;
        DWORD written = 0;
        if (!::WriteFile(local, chunk.data(), got, &written, nullptr)) return false;
    }
}

// RETR into `local`: the data, then the server's closing reply, which alone
// tells a complete file from one the server broke off.
bool Retrieve(InternetHandle connection, const std::string& remoteName, HANDLE local,
              uint32_t transferType, uintptr_t context) {
    HINTERNET remote = ::FtpOpenFileA(ToSystem(connection), remoteName.c_str(), GENERIC_READ,
                                      transferType, win32::ToLibraryContext(context));
    if (remote == nullptr) return false;
    // The opening reply may announce the size ("150 ... (N bytes)").
    uint32_t ignored = 0;
    std::string opening;
    InternetGetLastResponseInfo(ignored, opening);
    uint64_t announced = 0, count = 0;
    const bool announces = transferType == FTP_TRANSFER_TYPE_BINARY &&
                           ftpprotocol::ReadAnnouncedSize(opening, announced);
    bool received = ReceiveInto(remote, local, count);
    const uint32_t reason = GetLastErrorCode();
    ::InternetCloseHandle(remote);
    if (!received) {
        SetLastErrorCode(reason);
        return false;
    }
    const int closing = win32::LastReplyCode();
    if (announces && count != announced) {
        // Cut part-way, however the server reports it.
        SetLastErrorCode(ErrorCode::InternetConnectionAborted);
        return false;
    }
    if (closing >= 200 && closing < 300) return true;
    SetLastErrorCode(closing >= 400 ? ErrorCode::InternetExtendedError
                                    : ErrorCode::InternetConnectionAborted);
    return false;
}

}  // namespace

// The library's own download (FtpGetFileA) holds the local file open without
// sharing its deletion, so an interrupt could not remove a partial download
// before the process ends. The file is written here instead, through a handle
// that the interrupt may close and the file then delete (InterruptState.h).
bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context) {
    if (Own(connection))
        return ftpclient::FtpGetFile(connection, remoteName, localPath, failIfExists, transferType,
                                     context);
    CallOnHandle call(connection);
    HANDLE local = ::CreateFileA(
        localPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
        failIfExists ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (local == INVALID_HANDLE_VALUE) return false;
    const bool lent = win32::LendFileToInterrupt(local);
    bool ok = Retrieve(connection, remoteName, local, transferType, context);
    uint32_t reason = GetLastErrorCode();
    if (lent && !win32::TakeFileBackFromInterrupt(local)) {
        ok = false;
        reason = ERROR_OPERATION_ABORTED;
    } else if (!::CloseHandle(local) && ok) {
        ok = false;
        reason = GetLastErrorCode();
    }
    if (ok) return call.Settle(true);
    // A download that failed part-way must not be taken for the file.
    ::DeleteFileA(localPath.c_str());
    SetLastErrorCode(reason);
    call.Settle(false);
    return false;
}

bool FtpGetFileSize(InternetHandle connection, const std::string& name, uint64_t& size) {
    if (Own(connection)) return ftpclient::FtpGetFileSize(connection, name, size);
    std::string reply;
    // In text type a server would count the bytes as it would send them, or refuse.
    if (!CommandReply(connection, "TYPE I", reply) || !CommandReply(connection, "SIZE " + name, reply))
        return false;
    if (ftpprotocol::ReadSizeReply(reply, size)) return true;
    SetLastErrorCode(ErrorCode::InternetInvalidServerResponse);
    return false;
}

bool FtpGetFileTime(InternetHandle connection, const std::string& name, FileTime& time) {
    if (Own(connection)) return ftpclient::FtpGetFileTime(connection, name, time);
    std::string reply;
    if (!CommandReply(connection, "MDTM " + name, reply)) return false;
    if (ftpprotocol::ReadTimeReply(reply, time)) return true;
    SetLastErrorCode(ErrorCode::InternetInvalidServerResponse);
    return false;
}

bool FtpDeleteFile(InternetHandle connection, const std::string& name) {
    if (Own(connection)) return ftpclient::FtpDeleteFile(connection, name);
    CallOnHandle call(connection);
    return call.Settle(::FtpDeleteFileA(ToSystem(connection), name.c_str()));
}

bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName) {
    if (Own(connection)) return ftpclient::FtpRenameFile(connection, oldName, newName);
    CallOnHandle call(connection);
    return call.Settle(::FtpRenameFileA(ToSystem(connection), oldName.c_str(), newName.c_str()));
}

bool FtpCreateDirectory(InternetHandle connection, const std::string& name) {
    if (Own(connection)) return ftpclient::FtpCreateDirectory(connection, name);
    CallOnHandle call(connection);
    return call.Settle(::FtpCreateDirectoryA(ToSystem(connection), name.c_str()));
}

bool FtpRemoveDirectory(InternetHandle connection, const std::string& name) {
    if (Own(connection)) return ftpclient::FtpRemoveDirectory(connection, name);
    CallOnHandle call(connection);
    return call.Settle(::FtpRemoveDirectoryA(ToSystem(connection), name.c_str()));
}

bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t context) {
    if (Own(connection)) return ftpclient::FtpCommand(connection, command, context);
    CallOnHandle call(connection);
    return call.Settle(::FtpCommandA(ToSystem(connection), FALSE, FTP_TRANSFER_TYPE_BINARY,
                                     command.c_str(), win32::ToLibraryContext(context), nullptr));
}

}  // namespace platform
