#include <windows.h>

#include <atomic>
#include <string>

#include "platform/ErrorCodes.h"
#include "platform/FileCopy.h"
#include "platform/LastError.h"

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A name in the destination's folder that nothing else uses.
std::string TemporaryNameBeside(const std::string& destination) {
    static std::atomic<unsigned> counter{0};
    return FolderOf(destination) + ".velcopy-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + ".tmp";
}

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

}  // namespace

// CopyFile alone would truncate an existing destination before it writes: a copy
// that fails half-way (a full disk, a source that goes away) would lose the old
// file. An existing file is therefore replaced by a complete copy made beside it.
bool CopyFileOver(const std::string& source, const std::string& destination) {
    DWORD existing = ::GetFileAttributesA(destination.c_str());
    if (existing == INVALID_FILE_ATTRIBUTES)
        return ::CopyFileA(source.c_str(), destination.c_str(), TRUE) != FALSE;
    if (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return Fail(ErrorCode::AccessDenied);
    std::string temporary = TemporaryNameBeside(destination);
    if (!::CopyFileA(source.c_str(), temporary.c_str(), TRUE)) {
        uint32_t reason = GetLastErrorCode();
        ::DeleteFileA(temporary.c_str());
        return Fail(reason);
    }
    if (::MoveFileExA(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    uint32_t reason = GetLastErrorCode();
    ::SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(temporary.c_str());
    return Fail(reason);
}

}  // namespace platform
