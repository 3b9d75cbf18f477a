#include <windows.h>

#include "common/ErrorCodes.h"
#include "common/NameMask.h"
#include "platform/FolderEnumeration.h"
#include "platform/LastError.h"
#include "platform/win32/SystemTypes.h"

namespace platform {

bool FindFiles(const std::string& pattern, const std::function<void(const FindData&)>& onRecord) {
    WIN32_FIND_DATAA record;
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) {
        // Nothing matched in a folder that exists: a complete, empty listing.
        if (GetLastErrorCode() != ErrorCode::FileNotFound) return false;
        SetLastErrorCode(ErrorCode::NoMoreFiles);
        return true;
    }
    do {
        onRecord(win32::FromSystem(record));
    } while (::FindNextFileA(find, &record));
    uint32_t reason = GetLastErrorCode();
    ::FindClose(find);
    SetLastErrorCode(reason);
    return reason == ErrorCode::NoMoreFiles;
}

// Names on Windows compare without regard to case, and so do masks.
bool MatchesFindMask(const std::string& name, const std::string& mask) {
    return MatchesNameMask(name, mask, NameMaskRules{true, true});
}

}  // namespace platform
