#include <windows.h>

#include "common/ErrorCodes.h"
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

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

// Names on Windows compare without regard to case, and so do masks.
bool MatchesFindMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*") return true;
    size_t n = 0, m = 0, starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace platform
