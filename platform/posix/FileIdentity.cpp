#include "platform/FileIdentity.h"

#include <errno.h>
#include <sys/stat.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"

namespace platform {

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        posix::SetLastErrorForPath(errno, path);
        return false;
    }
    identity.Volume = uint64_t(info.st_dev);
    identity.Index = uint64_t(info.st_ino);
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

}  // namespace platform
