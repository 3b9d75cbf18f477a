#include <windows.h>

#include "common/ErrorCodes.h"
#include "platform/FileIdentity.h"
#include "platform/LastError.h"

namespace platform {

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
    // No access rights are asked for: a file that may not be read still has an
    // identity. Backup semantics open folders too.
    HANDLE item =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = ::GetFileInformationByHandle(item, &information) != FALSE;
    const uint32_t reason = GetLastErrorCode();
    ::CloseHandle(item);
    if (!known) {
        SetLastErrorCode(reason);
        return false;
    }
    identity.Volume = information.dwVolumeSerialNumber;
    identity.Index = (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

}  // namespace platform
