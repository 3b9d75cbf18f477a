// Where the walk may go. Two roots that are one folder are refused; a root that
// lies inside the other is left out of the walk on the side that holds it (it
// would copy the tree into itself, or delete the source); a source folder that
// leads back to one being walked is not entered again; and a destination folder
// link is never followed, so that nothing is written or deleted outside the
// destination. Folders are told apart by what they really are (the devices'
// FolderIdentity), not by their paths.

#include <algorithm>
#include <string>

#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

namespace {

bool IsFolderLink(const VelDirectoryEntry& entry) {
    return entry.IsDirectory() && (entry.Attributes & platform::Attribute::ReparsePoint) != 0;
}

}  // namespace

bool VelSyncBackupWorker::RootsApart(const std::string& sourceLocation,
                                     const std::string& destinationLocation) {
    SourceRootIdentity = Source->FolderIdentity(SourceRoot);
    DestinationRootIdentity = Destination->FolderIdentity(DestinationRoot);
    WalkedFolders.assign(1, SourceRootIdentity);
    ContainedRootReported = false;
    if (SourceRootIdentity.empty() || SourceRootIdentity != DestinationRootIdentity) return true;
    Report(mcError, "Source " + sourceLocation + " and destination " + destinationLocation +
                        " are the same folder. Nothing is copied or deleted");
    return false;
}

bool VelSyncBackupWorker::MayEnterSourceFolder(const std::string& relativePath,
                                               const VelDirectoryEntry& folder,
                                               std::string& identity) {
    const std::string path = SourceFolder(relativePath);
    if (IsFolderLink(folder) && !Source->EntersFolderLinks()) {
        // The device cannot tell where it leads: perhaps back to an ancestor, or out
        // of the tree. Its name stays taken, so nothing of it is deleted either.
        Report(mcWarning, "Folder " + path +
                              " is a link whose target cannot be told. Not descending into it");
        return false;
    }
    if (IsFolderLink(folder) && Source->LinkLeadsToAncestor(path)) {
        // Following it would never end; what stands below it at the destination
        // is left alone.
        Report(mcWarning,
               "Folder " + path + " is a link to one of its own ancestors. Not descending into it");
        return false;
    }
    identity = Source->FolderIdentity(path);
    if (identity.empty()) return true;
    if (identity == DestinationRootIdentity) {
        ReportContainedRoot("The destination " + DestinationRoot + " lies inside the source, at " +
                            path + ". It is left out of the copy");
        return false;
    }
    if (std::find(WalkedFolders.begin(), WalkedFolders.end(), identity) != WalkedFolders.end()) {
        // Links that lead through each other: this folder is being walked already.
        Report(mcWarning, "Folder " + path +
                              " leads back to a folder that is already being walked. Not "
                              "descending into it");
        return false;
    }
    return true;
}

bool VelSyncBackupWorker::MayEnterDestinationFolder(const std::string& relativePath,
                                                    const VelDirectoryEntry& folder) {
    if (!folder.IsDirectory()) return true;  // a file in the way gives way
    if (IsFolderLink(folder)) {
        // What it leads to may be anywhere: outside the destination, or the source.
        Report(mcWarning, "Destination folder " + DestinationFolder(relativePath) +
                              " is a link. Left as it is: nothing is copied into it or deleted "
                              "through it");
        return false;
    }
    return !IsSourceRootAt(relativePath);
}

bool VelSyncBackupWorker::IsSourceRootAt(const std::string& relativePath) {
    if (SourceRootIdentity.empty()) return false;
    const std::string path = DestinationFolder(relativePath);
    if (Destination->FolderIdentity(path) != SourceRootIdentity) return false;
    ReportContainedRoot("The source " + SourceRoot + " lies inside the destination, at " + path +
                        ". It is left out: not compared and not deleted");
    return true;
}

void VelSyncBackupWorker::ReportContainedRoot(const std::string& text) {
    if (ContainedRootReported) return;
    ContainedRootReported = true;
    Report(mcWarning, text);
}
