#include <windows.h>
#include <winnetwk.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/NetworkShares.h"

namespace platform {

// Windows reaches shares by their UNC names: there is no mount table.
std::string DefaultMountTable() {
    return {};
}

bool FindShareMount(const std::string&, const std::string&, ShareMount&) {
    SetLastErrorCode(ErrorCode::BadNetPath);
    return false;
}

}  // namespace platform
