#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/NetworkShares.h"

namespace platform {

bool ConnectShare(const std::string& location, const std::string& shareRoot, const std::string&,
                  const std::string&, const std::string& mountTable, ShareMount& mount) {
    if (FindShareMount(location, mountTable, mount)) return true;
    mount = ShareMount{};
    // A share reached some other way (an automounter, a folder named like it).
    uint32_t attributes = ReadAttributes(shareRoot);
    if (attributes != InvalidAttributes && (attributes & Attribute::Directory) != 0) return true;
    SetLastErrorCode(ErrorCode::BadNetPath);
    return false;
}

}  // namespace platform
