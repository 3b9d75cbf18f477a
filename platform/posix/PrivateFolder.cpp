#include "platform/PrivateFolder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"

namespace platform {

bool MakePrivateFolder(const std::string& namePrefix, std::string& path) {
    // mkdtemp makes the folder with mode 0700 whatever the umask says.
    std::string pattern = TemporaryFolder() + namePrefix + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        posix::SetLastErrorFromErrno(errno, posix::ErrnoSubject::Folder);
        return false;
    }
    path = pattern;
    return true;
}

bool RemoveFolderTree(const std::string& path) {
    std::error_code error;
    // Read-only folders inside would keep their contents: open them up first.
    for (auto it = std::filesystem::recursive_directory_iterator(path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink() && it->is_directory()) chmod(it->path().c_str(), 0700);
    }
    error.clear();
    std::filesystem::remove_all(path, error);
    if (!error) return true;
    posix::SetLastErrorFromErrno(error.value(), posix::ErrnoSubject::Folder);
    return false;
}

}  // namespace platform
