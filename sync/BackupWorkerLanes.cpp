// Copies beside the walk (/MT): a copy handed to a lane with everything it needs
// of the walk, and what it came to, taken back on the walk's thread.

#include <memory>
#include <string>

#include "common/ErrorCodes.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

namespace {

// What a copy on a lane came to, read by its Finish once the lane is done.
struct LaneResult {
    bool Copied = false;
    std::string ReadFailure;
    std::string StoredName;
    bool Moved = false;
    std::string MoveFailure;
};

}  // namespace

bool VelSyncBackupWorker::DispatchCopy(const std::string& relativePath,
                                       const VelDirectoryEntry& source,
                                       VelDirectoryList& destinationList,
                                       const VelDirectoryEntry* destination, bool move,
                                       CompareResult& result) {
    result = CompareResult::Done;
    if (CopyStopped) {
        result = CompareResult::Stopped;
        return true;
    }
    const CopyPlan plan = PlanCopy(relativePath, source, destinationList, destination);
    const bool movesSource = move && !IsOwnFile(true, plan.SourceFolder, source.Name);
    auto outcome = std::make_shared<LaneResult>();
    auto failure = std::make_shared<Failure>();
    auto work = [this, plan, movesSource, outcome, failure](VelStorageDevice& from,
                                                            VelStorageDevice& to) {
        outcome->Copied = CopyWith(from, to, plan, *failure, outcome->ReadFailure);
        if (!outcome->Copied) {
            if (failure->Code == 0) *failure = {to.LastErrorCode(), to.LastErrorText()};
            return;
        }
        outcome->StoredName = to.LastStoredName();
        if (!movesSource) return;
        // The source goes only once its copy is made and checked.
        outcome->Moved = from.DeleteFile(plan.SourceFolder, plan.Source.Name, false);
        if (!outcome->Moved) outcome->MoveFailure = from.LastErrorText();
    };
    auto finish = [this, relativePath, source, movesSource, outcome, failure] {
        if (!outcome->ReadFailure.empty()) Report(mcError, outcome->ReadFailure);
        FinishCopy(relativePath, source, outcome->Copied, *failure, outcome->StoredName,
                   movesSource, outcome->Moved, outcome->MoveFailure);
    };
    if (!Lanes->Dispatch(std::move(work), std::move(finish))) {
        // Not one lane could be opened: this copy and every later one are made by
        // the walk itself, on the run's own devices.
        Report(mcInformation, "Copying one file at a time: no second connection could be opened");
        Lanes.reset();
        return false;
    }
    CopiesDispatched = true;
    ReportRefusedLanes();
    if (CopyStopped) result = CompareResult::Stopped;
    return true;
}

void VelSyncBackupWorker::ReportRefusedLanes() {
    if (LanesReported || !CopiesDispatched || !Lanes->Refused()) return;
    LanesReported = true;
    Report(mcInformation, "Copying " + std::to_string(Lanes->Opened()) +
                              " files at once: no more connections could be opened");
}

void VelSyncBackupWorker::FinishCopy(const std::string& relativePath,
                                     const VelDirectoryEntry& source, bool copied,
                                     const Failure& failure, const std::string& storedName,
                                     bool moveWanted, bool moved, const std::string& moveFailure) {
    if (copied) {
        if (!storedName.empty()) StoredUnderOtherNames.insert(ChildPath(relativePath, storedName));
        if (moveWanted && !moved) {
            Stats.DeleteErrors = true;
            Report(mcWarning, "Failed to delete " + SourceFolder(relativePath) +
                                  platform::PathSeparator + source.Name +
                                  " at the source after copying it. " + moveFailure +
                                  " It was copied, not moved");
        }
        CountCopy(source, moveWanted && moved);
        return;
    }
    if (failure.Code == ErrorCode::InvalidName) {
        ReportUnstorableName(relativePath, source);
        return;
    }
    const std::string path = SourceFolder(ChildPath(relativePath, source.Name));
    if (!ReportFailedStep("Failed to copy file " + path, failure.Code, failure.Text))
        CopyStopped = true;
}

void VelSyncBackupWorker::FinishCopiesInFlight() {
    if (!Lanes) return;
    Lanes->Drain();
    ReportRefusedLanes();
}
