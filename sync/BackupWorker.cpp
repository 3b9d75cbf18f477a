#include "sync/BackupWorker.h"

#include "sync/CopyRules.h"
#include "sync/SyncPaths.h"

VelSyncBackupWorker::VelSyncBackupWorker(VelSyncBaseOutput& output) : Output(output) {}

void VelSyncBackupWorker::Run(const std::string& sourceLocation, VelStorageDevice& source,
                              const VelSyncFlags& options, VelStorageDevice& destination,
                              const std::string& destinationLocation) {
    PendingFolderList.clear();
    PendingFileList.clear();
    Options = &options;
    Source = &source;
    Destination = &destination;
    Stats = SyncStatistics{};
    Stats.FoldersFound = 1;
    RenameStateValue = RenameState::NotKnown;
    SourceRoot = NormaliseRoot(sourceLocation);
    DestinationRoot = NormaliseRoot(destinationLocation);

    StoredUnderOtherNames.clear();
    CopyStopped = LanesReported = CopiesDispatched = false;
    if (!options.Simulate && options.ParallelCopies > 1)
        Lanes = std::make_unique<VelCopyLanes>(source, destination, options.ParallelCopies,
                                               Output);
    if (RootsReady(sourceLocation, destinationLocation) &&
        RootsApart(sourceLocation, destinationLocation)) {
        LearnOwnFiles();
        Stats.Started = true;
        CompareResult result = CompareFolder("");
        // Nothing is deleted before every copy has ended.
        FinishCopiesInFlight();
        Lanes.reset();
        if (CopyStopped) result = CompareResult::Stopped;
        if (result == CompareResult::Done && options.DeleteObsolete) {
            if (!Stats.CopyErrors || options.IgnoreErrors) {
                RefreshDeviceAnswers();
                ProcessDeletions();
            } else if (!PendingFileList.empty() || !PendingFolderList.empty()) {
                Stats.DeletionsHeldBack = true;
            }
        }
    }
    Lanes.reset();
    Output.Finish(Stats);
}

bool VelSyncBackupWorker::RootsReady(const std::string& sourceLocation,
                                     const std::string& destinationLocation) {
    if (!Source->FolderExists(SourceRoot)) {
        Report(mcError, "Source directory " + sourceLocation + " does not exist");
        return false;
    }
    if (Destination->FolderExists(DestinationRoot)) return true;
    if (!Options->MakeTargetDir) {
        Report(mcError, "Destination directory " + destinationLocation + " does not exist");
        return false;
    }
    Report(mcCreateFolder, destinationLocation);
    if (MakeFolder(DestinationRoot, ".")) {
        ++Stats.FoldersCreated;
        return true;
    }
    Report(mcError, "Failed to create destination directory " + destinationLocation);
    return false;
}

bool VelSyncBackupWorker::IsNewer(const VelDirectoryEntry& source,
                                  const VelDirectoryEntry& destination) const {
    return IsNewerEntry(source, destination, Options->DriftSeconds);
}

bool VelSyncBackupWorker::IsMoveFile(const std::string& path) const {
    return VelFileSpecs(*Options).IsMoveFile(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsExcludedFile(const std::string& path) const {
    return VelFileSpecs(*Options).IsExcludedFile(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsExcludedFolder(const std::string& path) const {
    return VelFileSpecs(*Options).IsExcludedFolder(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsIgnoredFile(const std::string& path) const {
    return VelFileSpecs(*Options).IsIgnoredFile(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsIgnoredFolder(const std::string& path) const {
    return VelFileSpecs(*Options).IsIgnoredFolder(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsTextFile(const std::string& name) const {
    return VelFileSpecs(*Options).IsTextFile(name);
}

bool VelSyncBackupWorker::IsFileToCopy(const std::string& path) const {
    return VelFileSpecs(*Options).IsFileToCopy(path, SourceIgnoresCase);
}

bool VelSyncBackupWorker::IsFolderToCopy(const std::string& path) const {
    return VelFileSpecs(*Options).IsFolderToCopy(path, SourceIgnoresCase);
}

void VelSyncBackupWorker::Report(MessageClass cls, const std::string& text) {
    Output.Report(Stats, cls, text);
}

bool VelSyncBackupWorker::ReportFailedStep(const std::string& failure, uint32_t code,
                                           const std::string& text) {
    Stats.CopyErrors = true;
    if (Options->ContinueOnError) {
        Report(mcWarning, failure + ". " + text + " Continuing");
        return true;
    }
    Report(mcError, failure + ". " + text + " (" + std::to_string(code) + "). Stopping");
    return false;
}

std::string VelSyncBackupWorker::SourceFolder(const std::string& relativePath) const {
    return FolderPath(SourceRoot, relativePath);
}

std::string VelSyncBackupWorker::DestinationFolder(const std::string& relativePath) const {
    return FolderPath(DestinationRoot, relativePath);
}
