// Bringing a destination name to the letter case of its source name, for
// destinations that match names without regard to case.

#include <string>

#include "sync/BackupWorker.h"

void VelSyncBackupWorker::AlignNameCase(const std::string& relativePath,
                                        const VelDirectoryEntry& source,
                                        VelDirectoryList& destinationList,
                                        VelDirectoryEntry& destination) {
    if (destination.Name == source.Name) return;
    const std::string folder = DestinationFolder(relativePath);
    if (RenameStateValue != RenameState::Off) {
        if (!Destination->RenameFile(folder, destination.Name, source.Name)) {
            // Some servers refuse a rename that changes case only: go round a
            // temporary name; when even that fails, stop trying for this run.
            const std::string temporary = TemporaryName(source, destinationList);
            if (Destination->RenameFile(folder, destination.Name, temporary)) {
                Destination->RenameFile(folder, temporary, source.Name);
            } else {
                RenameStateValue = RenameState::Off;
            }
        }
        if (RenameStateValue == RenameState::NotKnown) {
            // The first rename of the run shows whether the destination keeps the
            // case it is given.
            const std::unique_ptr<VelDirectoryList> check =
                Destination->ListFolder(folder, source.Name, false);
            const bool kept = check->Count() == 1 && check->EntryAt(1)->Name == source.Name;
            RenameStateValue = kept ? RenameState::Reported : RenameState::Off;
        }
        if (RenameStateValue == RenameState::Reported) {
            Report(mcRenameFrom, destination.Name);
            Report(mcRenameTo, source.Name);
        }
    }
    // Also when no rename was made, so that the deletion pass's case-sensitive
    // search finds the source entry.
    destination.Name = source.Name;
}
