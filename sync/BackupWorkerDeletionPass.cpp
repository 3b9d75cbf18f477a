// The deletion pass of one folder pair (with /delete): every destination entry
// that the source does not have, or that the source excludes, is queued for
// deletion. Nothing is deleted here.

#include <string>

#include "platform/FindData.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

namespace {

bool IsLink(const VelDirectoryEntry& entry) {
    return (entry.Attributes & platform::Attribute::ReparsePoint) != 0;
}

}  // namespace

void VelSyncBackupWorker::DeletionPass(const std::string& relativePath, VelDirectoryList& source,
                                       VelDirectoryList& destination) {
    VelExactNameIndex exactIndex(source);
    for (int i = 1; i <= destination.Count(); ++i) {
        const VelDirectoryEntry& entry = *destination.EntryAt(i);
        if (entry.IsDotEntry()) continue;
        // What this run wrote is no stranger, whatever name the device gave it.
        if (StoredUnderOtherNames.count(ChildPath(relativePath, entry.Name)) != 0) continue;
        const VelDirectoryEntry* match = FindSourceEntry(source, exactIndex, entry.Name);
        if (!IsObsolete(relativePath, entry, match)) continue;
        if (entry.IsDirectory()) {
            // A folder link is counted as the file it is deleted as.
            if (!Options->Recurse || !IsLink(entry)) ++Stats.FoldersFound;
            if (Options->Recurse) {
                QueueFolderDeletion(relativePath, entry);
            } else {
                Report(mcIgnoreFolder, ChildPath(relativePath, entry.Name));
            }
        } else {
            QueueFileDeletion(relativePath, entry);
        }
    }
}

VelDirectoryEntry* VelSyncBackupWorker::FindSourceEntry(VelDirectoryList& source,
                                                        VelExactNameIndex& exactIndex,
                                                        const std::string& name) {
    VelDirectoryEntry* match = exactIndex.Find(name).first;
    // A source that does not tell names apart by case has this entry when only the
    // case differs (for instance a file left out by /D that was never aligned): it
    // must not be deleted as missing at the source.
    if (match == nullptr && SourceIgnoresCase) match = source.FindByName(name, false);
    return match;
}

bool VelSyncBackupWorker::IsObsolete(const std::string& relativePath,
                                     const VelDirectoryEntry& destination,
                                     const VelDirectoryEntry* source) const {
    if (source == nullptr) {
        const std::string path = ChildPath(relativePath, destination.Name);
        if (destination.IsDirectory()) return !IsIgnoredFolder(path);
        return !IsIgnoredFile(path) && !IsMoveFile(path) && !IsOwnDestinationFile(path);
    }
    const std::string path = ChildPath(relativePath, source->Name);
    if (source->IsDirectory()) return IsExcludedFolder(path) && !IsIgnoredFolder(path);
    return IsExcludedFile(path) && !IsIgnoredFile(path);
}

void VelSyncBackupWorker::QueueFolderDeletion(const std::string& relativePath,
                                              const VelDirectoryEntry& folder) {
    if (IsLink(folder)) {
        // A link is removed as a link; what it points to is never listed.
        QueueFileDeletion(relativePath, folder);
        return;
    }
    const std::string path = ChildPath(relativePath, folder.Name);
    if (IsSourceRootAt(path)) return;
    Report(mcMarkFolderDelete, path);
    PendingFolderList.push_back(path);
}

void VelSyncBackupWorker::QueueFileDeletion(const std::string& relativePath,
                                            const VelDirectoryEntry& file) {
    const std::string path = ChildPath(relativePath, file.Name);
    ++Stats.FilesFound;
    Report(mcMarkFileDelete, path);
    PendingFileList.push_back(path);
}
