#include <windows.h>

#include <string>

#include "common/ErrorCodes.h"
#include "platform/CopyTemporaryName.h"
#include "platform/FileCopy.h"
#include "platform/InterruptCleanup.h"
#include "platform/LastError.h"
#include "platform/win32/InterruptState.h"

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Claims a new name beside `destination` by creating the file, so that no other
// copy can take the same one.
bool CreateTemporaryBeside(const std::string& destination, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = FolderOf(destination) + NewCopyTemporaryName();
        HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

void RemoveTemporary(const std::string& temporary) {
    // The copy takes the source's attributes, read-only among them.
    ::SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(temporary.c_str());
}

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

// Gives the complete copy the destination's name: a new name at once, an
// existing file replaced unless it is a folder or read-only (5).
bool TakeDestinationName(const std::string& temporary, const std::string& destination) {
    if (::MoveFileExA(temporary.c_str(), destination.c_str(), 0)) return true;
    const uint32_t reason = GetLastErrorCode();
    if (reason != ErrorCode::AlreadyExists && reason != ErrorCode::FileExists) return false;
    const DWORD existing = ::GetFileAttributesA(destination.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return Fail(ErrorCode::AccessDenied);
    return ::MoveFileExA(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING) !=
           FALSE;
}

}  // namespace

// CopyFile straight onto the destination would truncate an existing file before
// it writes, and a copy cut short would leave a partial file under the name: the
// copy is made beside it and takes the name once it is complete.
bool CopyFileOver(const std::string& source, const std::string& destination) {
    const DWORD sourceAttributes = ::GetFileAttributesA(source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return false;
    if (sourceAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return Fail(ErrorCode::AccessDenied);
    std::string temporary;
    if (!CreateTemporaryBeside(destination, temporary)) return false;
    RemovedOnInterrupt cleanup(temporary);
    // An interrupt stops the copy (the handler sets the cancel flag), which then
    // removes what it wrote.
    bool copied = ::CopyFileExA(source.c_str(), temporary.c_str(), nullptr, nullptr,
                                win32::InterruptCancelFlag(), 0) != FALSE;
    if (copied) copied = TakeDestinationName(temporary, destination);
    if (!copied) {
        const uint32_t reason = GetLastErrorCode();
        RemoveTemporary(temporary);
        return Fail(reason);
    }
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

}  // namespace platform
