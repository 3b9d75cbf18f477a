// The run's own files: its log and error log may lie inside either tree. While
// the run writes them, they are never deleted (at the destination, or at the
// source by a move) and never replaced by a copy. They are told by the folder
// they are in, as the device sees it (FolderIdentity), and their name, so that
// another path to the same folder (a link, "..") does not hide them.

#include <string>

#include "platform/Paths.h"
#include "sync/BackupWorker.h"

namespace {

void SplitLocalPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t cut = path.find_last_of("/\\");
    folder = cut == std::string::npos ? "." : path.substr(0, cut == 0 ? 1 : cut);
    name = cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void VelSyncBackupWorker::LearnOwnFiles() {
    OwnFiles.clear();
    for (const std::string& path : Options->RunOwnFiles) {
        std::string folder, name;
        SplitLocalPath(path, folder, name);
        if (name.empty()) continue;
        OwnFiles.push_back({Source->FolderIdentity(folder), Destination->FolderIdentity(folder), name});
    }
}

bool VelSyncBackupWorker::IsOwnFile(bool atSource, const std::string& folder,
                                    const std::string& name) const {
    std::string identity;
    for (const OwnFile& own : OwnFiles) {
        const std::string& wanted = atSource ? own.SourceIdentity : own.DestinationIdentity;
        if (wanted.empty() || own.Name != name) continue;
        if (identity.empty())
            identity = (atSource ? Source : Destination)->FolderIdentity(folder);
        if (identity == wanted) return true;
    }
    return false;
}

bool VelSyncBackupWorker::IsOwnDestinationFile(const std::string& relativePath) const {
    const size_t cut = relativePath.find_last_of(platform::PathSeparator);
    if (cut == std::string::npos) return false;
    return IsOwnFile(false, DestinationFolder(relativePath.substr(0, cut)),
                     relativePath.substr(cut + 1));
}
