// The FTP calls of platform/InternetClient.h over the Windows Internet library.
// The library speaks FTP itself; here its results are brought to the platform's
// contract where libraries differ (an empty listing, a failed download's file).
#include "platform/win32/WinInetApi.h"

#include <cstring>

#include "platform/ErrorCodes.h"
#include "platform/InternetClient.h"
#include "platform/LastError.h"
#include "platform/win32/InternetHandles.h"
#include "platform/win32/SystemTypes.h"

namespace platform {

using win32::CallOnHandle;
using win32::ToSystem;

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory) {
    CallOnHandle call(connection);
    return ::FtpSetCurrentDirectoryA(ToSystem(connection), directory.c_str()) != FALSE;
}

bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory) {
    CallOnHandle call(connection);
    char buffer[4096];
    DWORD length = sizeof buffer;
    if (!::FtpGetCurrentDirectoryA(ToSystem(connection), buffer, &length)) return false;
    // Whether the length counts the terminating NUL differs between versions of
    // the library: the text ends at the NUL.
    directory.assign(buffer, strnlen(buffer, length < sizeof buffer ? length : sizeof buffer));
    return true;
}

InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context) {
    CallOnHandle call(connection);
    WIN32_FIND_DATAA record{};
    HINTERNET find = ::FtpFindFirstFileA(
        ToSystem(connection), mask.empty() ? nullptr : mask.c_str(), &record, flags, context);
    if (find == nullptr) {
        // Some versions of the library end an empty listing without a reason.
        if (GetLastErrorCode() == ErrorCode::Success) SetLastErrorCode(ErrorCode::NoMoreFiles);
        return NoInternetHandle;
    }
    entry = win32::FromSystem(record);
    win32::RegisterChildHandle(win32::FromSystem(find), connection, false);
    return win32::FromSystem(find);
}

bool InternetFindNextFile(InternetHandle find, FindData& entry) {
    CallOnHandle call(find);
    WIN32_FIND_DATAA record{};
    if (!::InternetFindNextFileA(ToSystem(find), &record)) return false;
    entry = win32::FromSystem(record);
    return true;
}

bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context) {
    CallOnHandle call(connection);
    return ::FtpPutFileA(ToSystem(connection), localPath.c_str(), remoteName.c_str(), transferType,
                         context) != FALSE;
}

bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context) {
    CallOnHandle call(connection);
    if (::FtpGetFileA(ToSystem(connection), remoteName.c_str(), localPath.c_str(), failIfExists,
                      FILE_ATTRIBUTE_NORMAL, transferType, context)) {
        return true;
    }
    uint32_t reason = GetLastErrorCode();
    // A download that failed part-way must not be taken for the file; a file that
    // was there before and refused by fail-if-exists stays.
    if (reason != ErrorCode::FileExists) ::DeleteFileA(localPath.c_str());
    SetLastErrorCode(reason);
    return false;
}

bool FtpDeleteFile(InternetHandle connection, const std::string& name) {
    CallOnHandle call(connection);
    return ::FtpDeleteFileA(ToSystem(connection), name.c_str()) != FALSE;
}

bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName) {
    CallOnHandle call(connection);
    return ::FtpRenameFileA(ToSystem(connection), oldName.c_str(), newName.c_str()) != FALSE;
}

bool FtpCreateDirectory(InternetHandle connection, const std::string& name) {
    CallOnHandle call(connection);
    return ::FtpCreateDirectoryA(ToSystem(connection), name.c_str()) != FALSE;
}

bool FtpRemoveDirectory(InternetHandle connection, const std::string& name) {
    CallOnHandle call(connection);
    return ::FtpRemoveDirectoryA(ToSystem(connection), name.c_str()) != FALSE;
}

bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t context) {
    CallOnHandle call(connection);
    return ::FtpCommandA(ToSystem(connection), FALSE, FTP_TRANSFER_TYPE_BINARY, command.c_str(),
                         context, nullptr) != FALSE;
}

}  // namespace platform
