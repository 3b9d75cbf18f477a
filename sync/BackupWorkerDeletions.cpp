// Deleting at the destination: one file, and the two deletion queues (pending
// files first, then pending folders with everything in them). A file or folder
// that an ignore spec names is kept, and so is every folder around it.

#include <string>

#include "platform/FindData.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

bool VelSyncBackupWorker::IsProtectedFromDeletion(const std::string& relativePath) const {
    // The full destination path is what the queue has always been tested with;
    // the relative path is what the user wrote the ignore spec for.
    return IsIgnoredFile(DestinationFolder(relativePath)) || IsIgnoredFile(relativePath) ||
           IsOwnDestinationFile(relativePath);
}

bool VelSyncBackupWorker::DeleteDestinationFile(const std::string& folder, const std::string& name,
                                                bool reportFailure) {
    return DeleteFileOn(*Destination, folder, name, reportFailure);
}

bool VelSyncBackupWorker::DeleteFileOn(VelStorageDevice& device, const std::string& folder,
                                       const std::string& name, bool reportFailure) const {
    bool ok = device.DeleteFile(folder, name, reportFailure);
    if (!ok && Options->OverwriteReadOnly) {
        device.SetReadOnly(folder, name, false, false);
        ok = device.DeleteFile(folder, name, reportFailure);
    }
    return ok;
}

DeletionResult VelSyncBackupWorker::ProcessFileDeletions() {
    int kept = 0;
    while (!PendingFileList.empty()) {
        const std::string head = PendingFileList.front();
        const std::string path = DestinationFolder(head);
        if (IsProtectedFromDeletion(head)) {
            ++kept;
        } else if (StoredUnderOtherNames.count(head) != 0) {
            // Written by a copy that ended after its folder was compared (/MT).
            PendingFileList.pop_front();
            continue;
        } else if (Options->Simulate) {
            Report(mcSkipDeleteFile, path);
            ++Stats.FilesDeleted;
        } else {
            Report(mcDeleteFile, path);
            if (DeleteDestinationFile(DestinationRoot, head, true)) {
                ++Stats.FilesDeleted;
            } else {
                Stats.DeleteErrors = true;
                if (!Options->ContinueOnError) {
                    Report(mcError, "Failed to delete file: " + path + ". stopping");
                    return DeletionResult::Stopped;
                }
                Report(mcWarning, "Failed to delete file: " + path + ". Continuing");
            }
        }
        ++Stats.FilesDone;
        ShowProgress();
        PendingFileList.pop_front();
    }
    return kept > 0 ? DeletionResult::Kept : DeletionResult::Done;
}

DeletionResult VelSyncBackupWorker::DeleteFolderTree(const std::string& relativePath) {
    const std::string folder = DestinationFolder(relativePath);
    Report(mcScanBeforeDelete, folder);
    int kept = 0;
    const DeletionResult stopped =
        QueueFolderContents(relativePath, *Destination->ListFolder(folder, "", false), kept);
    if (stopped != DeletionResult::Done) return stopped;

    const DeletionResult result = ProcessFileDeletions();
    if (result == DeletionResult::Stopped) return result;
    if (result == DeletionResult::Kept || kept > 0) {
        ShowProgress();
        return DeletionResult::Kept;
    }
    return RemoveEmptiedFolder(folder);
}

DeletionResult VelSyncBackupWorker::QueueFolderContents(const std::string& relativePath,
                                                        VelDirectoryList& list, int& kept) {
    // An entry whose name cannot be used stays where it is, and so does the folder.
    if (!DropUnusableNames(list, DestinationFolder(relativePath))) ++kept;
    for (int i = 1; i <= list.Count(); ++i) {
        const VelDirectoryEntry& entry = *list.EntryAt(i);
        if (entry.IsDotEntry()) continue;
        const std::string child = ChildPath(relativePath, entry.Name);
        const bool link = (entry.Attributes & platform::Attribute::ReparsePoint) != 0;
        if (entry.IsDirectory() && !link) {
            ++Stats.FoldersFound;
            const DeletionResult result = IsIgnoredFolder(child) || IsSourceRootAt(child)
                                              ? DeletionResult::Kept
                                              : DeleteFolderTree(child);
            if (result == DeletionResult::Kept) {
                ++kept;
            } else if (result != DeletionResult::Done && !Options->ContinueOnError) {
                return result;
            }
        } else {
            // Files, and links of any kind: a link is removed as a link and what it
            // points to is never listed.
            ++Stats.FilesFound;
            PendingFileList.push_back(child);
        }
        ShowProgress();
    }
    return DeletionResult::Done;
}

DeletionResult VelSyncBackupWorker::RemoveEmptiedFolder(const std::string& folder) {
    DeletionResult result = DeletionResult::Done;
    if (Options->Simulate) {
        Report(mcSkipDeleteFolder, folder);
        ++Stats.FoldersDeleted;
    } else {
        Report(mcDeleteFolder, folder);
        if (Destination->RemoveFolder(folder)) {
            ++Stats.FoldersDeleted;
        } else {
            Stats.DeleteErrors = true;
            Report(mcError, "Failed to delete directory: " + folder);
            result = DeletionResult::Stopped;
        }
    }
    ShowProgress();
    return result;
}

DeletionResult VelSyncBackupWorker::ProcessDeletions() {
    const DeletionResult result = ProcessFileDeletions();
    if (result != DeletionResult::Done) return result;
    while (!PendingFolderList.empty()) {
        const DeletionResult folderResult = DeleteFolderTree(PendingFolderList.front());
        if (folderResult != DeletionResult::Done && !Options->ContinueOnError) return folderResult;
        PendingFolderList.pop_front();
    }
    return DeletionResult::Done;
}
