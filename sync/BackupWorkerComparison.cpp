// Comparing one folder pair: the listings, the count pass, the main pass over
// the source entries with its folder step and file step, and the copy decision.

#include <string>

#include "common/ErrorCodes.h"
#include "platform/FindData.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "sync/CopyRules.h"
#include "sync/SyncPaths.h"

void VelSyncBackupWorker::RefreshDeviceAnswers() {
    SourceIgnoresCase = Source->NameCaseMode() != NameCase::Sensitive;
    DestinationNamesExact = Destination->NameCaseMode() == NameCase::Sensitive;
    DestinationTextMode = Destination->SupportsTextMode();
}

CompareResult VelSyncBackupWorker::CompareFolder(const std::string& relativePath) {
    ShowProgress();
    Report(mcScanFolder, relativePath);
    Report(mcScanSource, SourceFolder(relativePath));
    SourceListing source;
    if (!ListSourceFolder(relativePath, source)) return CompareResult::Stopped;
    Report(mcScanTarget, DestinationFolder(relativePath));
    std::unique_ptr<VelDirectoryList> destination = ListDestinationFolder(relativePath);
    RefreshDeviceAnswers();

    CheckListingLimit(*source.List, *destination);
    source.Clean = DropUnusableNames(*source.List, SourceFolder(relativePath));
    DropUnusableNames(*destination, DestinationFolder(relativePath));
    if (source.Complete && source.Clean)
        RemoveLeftoverTemporaries(relativePath, *source.List, *destination);
    CountSourceEntries(*source.List);
    ListFoldersAhead(relativePath, *source.List, *destination);
    const CompareResult result = MainPass(relativePath, *source.List, *destination);
    if (result == CompareResult::Done) {
        ShowProgress();
        // Deletions are decided only on a source listing that is known to be whole.
        if (Options->DeleteObsolete && MayDeleteByListing(relativePath, source, *destination))
            DeletionPass(relativePath, *source.List, *destination);
        else if (Options->DeleteObsolete)
            Stats.DeletionsHeldBack = true;
    }
    if (result != CompareResult::Done) return result;
    Source->FolderFinished(SourceFolder(relativePath));
    ++Stats.FoldersDone;
    ShowProgress();
    return CompareResult::Done;
}

void VelSyncBackupWorker::CountSourceEntries(const VelDirectoryList& source) {
    for (int i = 1; i <= source.Count(); ++i) {
        const VelDirectoryEntry& entry = *source.EntryAt(i);
        if (entry.IsDirectory()) {
            if (!entry.IsDotEntry()) ++Stats.FoldersFound;
        } else {
            ++Stats.FilesFound;
        }
    }
}

CompareResult VelSyncBackupWorker::MainPass(const std::string& relativePath,
                                            VelDirectoryList& source,
                                            VelDirectoryList& destination) {
    VelExactNameIndex exactIndex(destination);
    for (int i = 1; i <= source.Count(); ++i) {
        VelDirectoryEntry& entry = *source.EntryAt(i);
        VelDirectoryEntry* match = FindDestinationEntry(destination, exactIndex, entry.Name);
        const CompareResult result = entry.IsDirectory()
                                         ? FolderStep(relativePath, entry, destination, match)
                                         : FileStep(relativePath, entry, destination, match);
        if (result != CompareResult::Done) return result;
    }
    return CompareResult::Done;
}

VelDirectoryEntry* VelSyncBackupWorker::FindDestinationEntry(VelDirectoryList& destination,
                                                             VelExactNameIndex& exactIndex,
                                                             const std::string& name) {
    // A destination that tells names apart by case is searched by the exact name:
    // README and readme are then two files, not duplicates of one.
    auto [entry, count] =
        DestinationNamesExact ? exactIndex.Find(name) : destination.FindCountingDuplicates(name);
    if (count >= 2) Report(mcWarning, "Duplicates detected for " + name);
    return entry;
}

CompareResult VelSyncBackupWorker::FolderStep(const std::string& relativePath,
                                              VelDirectoryEntry& source,
                                              VelDirectoryList& destinationList,
                                              VelDirectoryEntry* destination) {
    const std::string child = ChildPath(relativePath, source.Name);
    bool wanted = !source.IsDotEntry() && IsFolderToCopy(child);
    if (!wanted || !Options->Recurse) return CompareResult::Done;
    if (!Destination->AcceptsName(source.Name)) {
        ReportUnstorableName(relativePath, source);
        return CompareResult::Done;
    }

    std::string identity;
    if (!MayEnterSourceFolder(child, source, identity)) return CompareResult::Done;
    if (destination != nullptr && !MayEnterDestinationFolder(child, *destination))
        return CompareResult::Done;
    if (destination != nullptr && !destination->IsDirectory()) {
        // A file stands where the source has a folder: it gives way the same way
        // a folder in the way of a file does, and the folder is made below.
        QueueFileDeletion(relativePath, *destination);
        ProcessDeletions();
        destination = nullptr;
    }
    if (destination == nullptr) {
        if (Options->Simulate) {
            Report(mcCreateFolder, DestinationFolder(child));
            ++Stats.FoldersCreated;
            return CompareResult::Done;
        }
        if (!MakeDestinationFolder(relativePath, source.Name)) return CompareResult::Stopped;
    } else {
        AlignNameCase(relativePath, source, destinationList, *destination);
    }
    WalkedFolders.push_back(identity);
    const CompareResult result = CompareFolder(child);
    WalkedFolders.pop_back();
    return result;
}

bool VelSyncBackupWorker::MakeDestinationFolder(const std::string& relativePath,
                                                const std::string& name) {
    const std::string target = DestinationFolder(ChildPath(relativePath, name));
    if (MakeFolder(DestinationFolder(relativePath), name)) {
        Report(mcCreateFolder, target);
        ++Stats.FoldersCreated;
        return true;
    }
    Stats.CopyErrors = true;
    if (!Options->ContinueOnError) {
        Report(mcError, "Failed to create directory: " + target + ". Stopping");
        return false;
    }
    // The descent still takes place: its files are reported as failed copies.
    Report(mcWarning, "Failed to create directory: " + target + ". Continuing");
    return true;
}

CompareResult VelSyncBackupWorker::FileStep(const std::string& relativePath,
                                            VelDirectoryEntry& source,
                                            VelDirectoryList& destinationList,
                                            VelDirectoryEntry* destination) {
    const bool selected = source.ModifiedTime >= Options->StartDate &&
                          IsFileToCopy(ChildPath(relativePath, source.Name));
    if (selected && source.IsSpecialFile()) {
        // Nothing to copy by its nature; what the destination holds under this
        // name stays, since the source does have an entry of that name.
        ReportUncopyable(relativePath, source);
        ++Stats.FilesDone;
        return CompareResult::Done;
    }
    if (selected && !Destination->AcceptsName(source.Name)) {
        ReportUnstorableName(relativePath, source);
        ++Stats.FilesDone;
        return CompareResult::Done;
    }
    const bool copy = selected && DecideCopy(relativePath, source, destination);
    if (copy) {
        if (CarryOutCopy(relativePath, source, destinationList, destination) != CompareResult::Done)
            return CompareResult::Stopped;
    } else {
        if (selected && destination != nullptr)
            AlignNameCase(relativePath, source, destinationList, *destination);
        Report(mcUpToDate, source.Name);
        ++Stats.FilesUpToDate;
    }
    ++Stats.FilesDone;
    return CompareResult::Done;
}

bool VelSyncBackupWorker::ReportUnstorableName(const std::string& relativePath,
                                               const VelDirectoryEntry& source) {
    // Not a failure of the copy: no attempt could store it there.
    Report(mcWarning, SourceFolder(ChildPath(relativePath, source.Name)) +
                          " cannot be stored at the destination under its name. Left out");
    return true;
}

void VelSyncBackupWorker::ReportUncopyable(const std::string& relativePath,
                                           const VelDirectoryEntry& source) {
    const std::string path = SourceFolder(ChildPath(relativePath, source.Name));
    if (source.Attributes & platform::Attribute::ReparsePoint)
        Report(mcWarning, path + " is a link that leads to no file or folder. Left out");
    else
        Report(mcWarning, path +
                              " is neither a file nor a folder (a named pipe, a socket or a "
                              "device). Left out");
}

bool VelSyncBackupWorker::DecideCopy(const std::string& relativePath,
                                     const VelDirectoryEntry& source,
                                     const VelDirectoryEntry* destination) {
    if (destination == nullptr) {
        if (Options->Explain) Report(mcExplain, "Destination file does not exist");
        return true;
    }
    if (destination->IsDirectory()) {
        // Times and sizes say nothing here (a folder's size reads 0, like an empty
        // file's): the folder gives way, or the mirror would never take the
        // source's shape.
        if (Options->Explain) Report(mcExplain, "A folder stands where the source has a file");
        return true;
    }
    if ((destination->Attributes & platform::Attribute::ReparsePoint) != 0) {
        // A link is never written through, and what it leads to says nothing of
        // the mirror: it gives way to the file.
        if (Options->Explain) Report(mcExplain, "A link stands where the source has a file");
        return true;
    }
    bool copy = IsNewer(source, *destination);
    if (copy && source.Size == 0 && destination->Size == 0) copy = false;
    if (copy && Options->Explain)
        Report(mcExplain, "File (" + platform::FormatDateTimeC(source.ModifiedTime) +
                              ") is newer than at destination (" +
                              platform::FormatDateTimeC(destination->ModifiedTime) + ")");
    if (!copy && !Options->NewerOnly) copy = SizeRulesSayCopy(relativePath, source, *destination);
    return copy;
}

bool VelSyncBackupWorker::SizeRulesSayCopy(const std::string& relativePath,
                                           const VelDirectoryEntry& source,
                                           const VelDirectoryEntry& destination) {
    const bool text = DestinationTextMode && IsTextFile(source.Name);
    SizeVerdict verdict =
        text ? TextSizeRule(source, destination) : BinarySizeRule(source, destination);
    if (verdict.Copy && text && HoldsTextAsSent(relativePath, source, destination))
        verdict.Copy = false;
    if (verdict.Copy && Options->Explain) Report(mcExplain, verdict.Explanation);
    return verdict.Copy;
}

bool VelSyncBackupWorker::HoldsTextAsSent(const std::string& relativePath,
                                          const VelDirectoryEntry& source,
                                          const VelDirectoryEntry& destination) {
    // A server that keeps the CR LF line ends of a text upload holds more bytes
    // than the source has: that is the same file, not a larger one. The source
    // is read through only when its destination is larger.
    if (destination.Size <= source.Size) return false;
    uint64_t sent = 0;
    return Source->TextSizeAsSent(SourceFolder(relativePath), source.Name, sent) &&
           sent == uint64_t(destination.Size);
}

bool VelSyncBackupWorker::RemoveDestinationLink(const std::string& relativePath,
                                                const VelDirectoryEntry& link) {
    const std::string folder = DestinationFolder(relativePath);
    if (Options->Simulate || DeleteDestinationFile(folder, link.Name, false)) return true;
    Report(mcWarning, "Destination " + DestinationFolder(ChildPath(relativePath, link.Name)) +
                          " is a link that could not be removed. Left as it is: nothing is "
                          "written through it");
    return false;
}

CompareResult VelSyncBackupWorker::CarryOutCopy(const std::string& relativePath,
                                                VelDirectoryEntry& source,
                                                VelDirectoryList& destinationList,
                                                VelDirectoryEntry* destination) {
    const VelDirectoryEntry* replaced = destination;
    if (destination != nullptr &&
        IsOwnFile(false, DestinationFolder(relativePath), destination->Name)) {
        Report(mcWarning, DestinationFolder(ChildPath(relativePath, destination->Name)) +
                              " is a log file of this run. It is not replaced");
        return CompareResult::Done;
    }
    if (destination != nullptr && !destination->IsDirectory() &&
        (destination->Attributes & platform::Attribute::ReparsePoint) != 0) {
        if (!RemoveDestinationLink(relativePath, *destination)) return CompareResult::Done;
        destination->Attributes &= ~platform::Attribute::ReparsePoint;
        replaced = nullptr;
    }
    if (destination != nullptr && destination->IsDirectory()) {
        // A destination folder stands where the source has a file: it goes first,
        // together with everything queued so far. There is then no file to
        // replace: the copy is made as for a new one.
        QueueFolderDeletion(relativePath, *destination);
        // Deletions wait for every copy in flight.
        FinishCopiesInFlight();
        ProcessDeletions();
        destination->SetDirectoryFlag(false);
        replaced = nullptr;
    }
    Report(mcCopyFile, source.Name);
    const bool move = IsMoveFile(ChildPath(relativePath, source.Name));
    if (Options->Simulate) {
        CountCopy(source, move);
        return CompareResult::Done;
    }
    if (Lanes) {
        CompareResult result = CompareResult::Done;
        if (destination != nullptr && destination->Name != source.Name && !CopyStopped)
            destination->Name = source.Name;
        if (DispatchCopy(relativePath, source, destinationList, replaced, move, result))
            return result;
    }

    if (CopyFile(relativePath, source, destinationList, replaced)) {
        if (destination != nullptr && destination->Name != source.Name)
            destination->Name = source.Name;
        const std::string stored = Destination->LastStoredName();
        if (!stored.empty()) StoredUnderOtherNames.insert(ChildPath(relativePath, stored));
        const bool movesSource = move && !IsOwnFile(true, SourceFolder(relativePath), source.Name);
        CountCopy(source, movesSource && DeleteMovedSource(relativePath, source));
        return CompareResult::Done;
    }
    // A failure the worker decided itself, or one of the source, is not the
    // destination's to describe.
    const bool ownReason = CopyFailure.Code != 0;
    const uint32_t code = ownReason ? CopyFailure.Code : Destination->LastErrorCode();
    if (code == ErrorCode::InvalidName) {
        // The server refused the name itself (for instance a name it does not allow).
        ReportUnstorableName(relativePath, source);
        return CompareResult::Done;
    }
    const std::string text = ownReason ? CopyFailure.Text : Destination->LastErrorText();
    const std::string path = SourceFolder(ChildPath(relativePath, source.Name));
    return ReportFailedStep("Failed to copy file " + path, code, text) ? CompareResult::Done
                                                                       : CompareResult::Stopped;
}

// The copy is made; a source file that then cannot be deleted leaves a copy,
// not a move, and says so.
bool VelSyncBackupWorker::DeleteMovedSource(const std::string& relativePath,
                                            const VelDirectoryEntry& source) {
    const std::string folder = SourceFolder(relativePath);
    if (Source->DeleteFile(folder, source.Name, false)) return true;
    Stats.DeleteErrors = true;
    Report(mcWarning, "Failed to delete " + folder + platform::PathSeparator + source.Name +
                          " at the source after copying it. " + Source->LastErrorText() +
                          " It was copied, not moved");
    return false;
}

void VelSyncBackupWorker::CountCopy(const VelDirectoryEntry& source, bool moved) {
    ++(moved ? Stats.FilesMoved : Stats.FilesCopied);
    Stats.BytesCopied += source.Size;
}
