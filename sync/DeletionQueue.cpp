// Working off the two deletion queues: pending files first, then pending folders
// with everything in them. A file or folder that an ignore spec names is kept,
// and so is every folder around it.

#include <string>

#include "platform/FindData.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

bool VelSyncBackupWorker::IsProtectedFromDeletion(const std::string& relativePath) const {
    // The full destination path is what the queue has always been tested with;
    // the relative path is what the user wrote the ignore spec for.
    return IsIgnoredFile(DestinationFolder(relativePath)) || IsIgnoredFile(relativePath);
}

int VelSyncBackupWorker::ProcessFileDeletions() {
    int kept = 0;
    while (!PendingFileList.empty()) {
        const std::string head = PendingFileList.front();
        const std::string path = DestinationFolder(head);
        if (IsProtectedFromDeletion(head)) {
            ++kept;
        } else if (Options->Simulate) {
            Report(mcSkipDeleteFile, path);
        } else {
            Report(mcDeleteFile, path);
            if (!DeleteDestinationFile(DestinationRoot, head, true)) {
                if (!Options->ContinueOnError) {
                    Report(mcError, "Failed to delete file: " + path + ". stopping");
                    return DeletionStopped;
                }
                Report(mcWarning, "Failed to delete file: " + path + ". Continuing");
            }
        }
        ++Stats.FilesDone;
        ShowProgress();
        PendingFileList.pop_front();
    }
    return kept > 0 ? DeletionKept : DeletionDone;
}

int VelSyncBackupWorker::DeleteFolderTree(const std::string& relativePath) {
    const std::string folder = DestinationFolder(relativePath);
    Report(mcScanBeforeDelete, folder);
    VelDirectoryList* list = Destination->ListFolder(folder, "", false);
    if (list == nullptr) list = new VelDirectoryList;
    int kept = 0;
    const int stopped = QueueFolderContents(relativePath, *list, kept);
    delete list;
    if (stopped != DeletionDone) return stopped;

    const int result = ProcessFileDeletions();
    if (result == DeletionStopped) return result;
    if (result == DeletionKept || kept > 0) {
        ShowProgress();
        return DeletionKept;
    }
    return RemoveEmptiedFolder(folder);
}

int VelSyncBackupWorker::QueueFolderContents(const std::string& relativePath,
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
            const int result = IsIgnoredFolder(child) ? DeletionKept : DeleteFolderTree(child);
            if (result == DeletionKept) {
                ++kept;
            } else if (result != DeletionDone && !Options->ContinueOnError) {
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
    return DeletionDone;
}

int VelSyncBackupWorker::RemoveEmptiedFolder(const std::string& folder) {
    int result = DeletionDone;
    if (Options->Simulate) {
        Report(mcSkipDeleteFolder, folder);
        ++Stats.FoldersDeleted;
    } else {
        Report(mcDeleteFolder, folder);
        if (Destination->RemoveFolder(folder)) {
            ++Stats.FoldersDeleted;
        } else {
            Report(mcError, "Failed to delete directory: " + folder);
            result = DeletionStopped;
        }
    }
    ShowProgress();
    return result;
}

int VelSyncBackupWorker::ProcessDeletions() {
    const int result = ProcessFileDeletions();
    if (result != DeletionDone) return result;
    while (!PendingFolderList.empty()) {
        const int folderResult = DeleteFolderTree(PendingFolderList.front());
        if (folderResult != DeletionDone && !Options->ContinueOnError) return folderResult;
        PendingFolderList.pop_front();
    }
    return DeletionDone;
}
