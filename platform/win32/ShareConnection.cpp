#include <windows.h>
#include <winnetwk.h>

#include "platform/NetworkShares.h"

namespace platform {

bool ConnectShare(const std::string&, const std::string& shareRoot, const std::string& userName,
                  const std::string& password, const std::string&, ShareMount& mount) {
    mount = ShareMount{};
    // Reachable with the credentials the process already has: no new connection.
    DWORD attributes = ::GetFileAttributesA(shareRoot.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    NETRESOURCEA resource{};
    resource.dwType = RESOURCETYPE_DISK;
    std::string remoteName = shareRoot;
    resource.lpRemoteName = remoteName.data();
    // Empty strings, never absent values: an absent user name would mean "the
    // current user" and hide a user name that was asked for but left empty.
    DWORD result = ::WNetAddConnection2A(&resource, password.c_str(), userName.c_str(), 0);
    if (result == NO_ERROR) return true;
    ::SetLastError(result);
    return false;
}

}  // namespace platform
