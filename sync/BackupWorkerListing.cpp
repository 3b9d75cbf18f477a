// Listing one folder pair: a source listing that did not complete is told apart
// from an empty folder, names that cannot be used as one path component are left
// out before anything is decided on them, and the temporary files an
// interrupted run left at the destination are removed.

#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/FindData.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "sync/ExactNameIndex.h"
#include "sync/SyncPaths.h"

bool VelSyncBackupWorker::ListSourceFolder(const std::string& relativePath,
                                           SourceListing& listing) {
    const std::string folder = SourceFolder(relativePath);
    if (Lanes && (listing.List = Lanes->TakeListing(VelCopyLanes::Side::Source, folder))) {
        listing.Complete = true;
        return true;
    }
    listing.List = Source->ListFolder(folder, "", false);
    // Read the reason at once: reporting may touch the thread's last error.
    const uint32_t code = Source->LastErrorCode();
    listing.Complete = code == ErrorCode::NoMoreFiles || code == ErrorCode::Success;
    if (listing.Complete) return true;

    // A folder that could not be listed is not an empty folder: report it like a
    // failed copy and keep its destination entries out of the deletion pass.
    return ReportFailedStep("Failed to list folder " + folder, code, Source->LastErrorText());
}

namespace {

bool HoldsEntries(const VelDirectoryList& list) {
    for (int i = 1; i <= list.Count(); ++i)
        if (!list.EntryAt(i)->IsDotEntry()) return true;
    return false;
}

}  // namespace

bool VelSyncBackupWorker::MayDeleteByListing(const std::string& relativePath,
                                             const SourceListing& source,
                                             const VelDirectoryList& destination) {
    if (!source.Complete || !source.Clean) return false;
    if (HoldsEntries(*source.List) || !HoldsEntries(destination)) return true;
    // Some servers list a folder they cannot read as an empty one: before
    // everything on the other side goes, the source must confirm it.
    if (Source->ConfirmEmptyFolder(SourceFolder(relativePath))) return true;
    Report(mcWarning, "Folder " + SourceFolder(relativePath) +
                          " was listed as empty, but a second look could not confirm that it is "
                          "(its server may be unable to read it). Nothing in " +
                          DestinationFolder(relativePath) + " is deleted");
    return false;
}

std::unique_ptr<VelDirectoryList> VelSyncBackupWorker::ListDestinationFolder(
    const std::string& relativePath) {
    const std::string folder = DestinationFolder(relativePath);
    if (Lanes)
        if (auto ahead = Lanes->TakeListing(VelCopyLanes::Side::Destination, folder)) return ahead;
    return Destination->ListFolder(folder, "", false);
}

void VelSyncBackupWorker::ListFoldersAhead(const std::string& relativePath,
                                           VelDirectoryList& source,
                                           VelDirectoryList& destination) {
    using Side = VelCopyLanes::Side;
    if (!Lanes || !Options->Recurse ||
        (!Lanes->ListsAhead(Side::Source) && !Lanes->ListsAhead(Side::Destination)))
        return;
    VelExactNameIndex exactIndex(destination);
    std::vector<std::pair<Side, std::string>> ahead;
    for (int i = 1; i <= source.Count(); ++i) {
        const VelDirectoryEntry& entry = *source.EntryAt(i);
        if (!entry.IsDirectory() || entry.IsDotEntry() ||
            (entry.Attributes & platform::Attribute::ReparsePoint) != 0)
            continue;
        const std::string child = ChildPath(relativePath, entry.Name);
        if (!IsFolderToCopy(child)) continue;
        ahead.emplace_back(Side::Source, SourceFolder(child));
        // Only a destination folder the walk will enter as it is: one it makes,
        // renames or replaces first would be listed before it changes.
        auto [match, count] = DestinationNamesExact ? exactIndex.Find(entry.Name)
                                                    : destination.FindCountingDuplicates(entry.Name);
        if (match != nullptr && count == 1 && match->Name == entry.Name && match->IsDirectory() &&
            (match->Attributes & platform::Attribute::ReparsePoint) == 0)
            ahead.emplace_back(Side::Destination, DestinationFolder(child));
    }
    Lanes->ListAhead(ahead);
}

bool VelSyncBackupWorker::DropUnusableNames(VelDirectoryList& list, const std::string& folder) {
    std::vector<int> unusable;
    for (int i = 1; i <= list.Count(); ++i) {
        const VelDirectoryEntry& entry = *list.EntryAt(i);
        if (IsUsableName(entry.Name, entry.IsDirectory())) continue;
        Report(mcWarning, "Invalid name \"" + PrintableName(entry.Name) + "\" listed in " + folder +
                              " (it holds a path separator or a NUL). Left out");
        unusable.push_back(i);
    }
    for (auto position = unusable.rbegin(); position != unusable.rend(); ++position)
        list.Delete(*position);
    // What the device left out counts like what is left out here.
    return unusable.empty() && !list.HasEntriesLeftOut();
}

void VelSyncBackupWorker::RemoveLeftoverTemporaries(const std::string& relativePath,
                                                    VelDirectoryList& source,
                                                    VelDirectoryList& destination) {
    const std::string folder = DestinationFolder(relativePath);
    for (int i = destination.Count(); i >= 1; --i) {
        const VelDirectoryEntry& entry = *destination.EntryAt(i);
        if (entry.IsDirectory() || !Destination->IsTemporaryName(entry.Name)) continue;
        // A file of that name at the source is mirrored, not left over.
        if (source.FindByName(entry.Name, true) != nullptr) continue;
        const std::string path = folder + platform::PathSeparator + entry.Name;
        if (Options->Simulate) {
            Report(mcSkipDeleteFile, path);
            ++Stats.FilesDeleted;
        } else {
            Report(mcDeleteFile, path);
            // It is the run's own file: a read-only state it took from its source
            // does not protect it.
            bool deleted = Destination->DeleteFile(folder, entry.Name, false);
            if (!deleted) {
                Destination->SetReadOnly(folder, entry.Name, false, false);
                deleted = Destination->DeleteFile(folder, entry.Name, false);
                if (!deleted)
                    Report(mcWarning, "Failed to delete the leftover temporary file " + path +
                                          ". " + Destination->LastErrorText());
            }
            Stats.FilesDeleted += deleted;
        }
        destination.Delete(i);
    }
}

void VelSyncBackupWorker::CheckListingLimit(const VelDirectoryList& source,
                                            const VelDirectoryList& destination) {
    if (destination.Count() == 2000 && source.Count() > 2002)
        Report(mcWarning,
               "FTP server may not be listing all files. Recommend reducing the number of files "
               "in this folder to less than 2000.");
}
