#pragma once
// The synchronisation engine. One worker serves one Run: it walks the source
// tree folder by folder, lists each source folder and its destination folder,
// copies what is missing or out of date, creates missing folders, queues
// destination entries the source no longer has and, with /delete, works the
// queues off at the end. Every event goes to the output as (class, text).
//
// The worker borrows the output, the options and both devices; it frees none of
// them. It runs on the calling thread and calls the devices synchronously. Its
// work is split by concept over files named BackupWorker*.cpp: the run and the
// pattern predicates (BackupWorker.cpp), the listings (BackupWorkerListing.cpp),
// the folder comparison (BackupWorkerComparison.cpp), the deletion pass
// (BackupWorkerDeletionPass.cpp), copying and folder creation
// (BackupWorkerCopying.cpp), letter-case alignment (BackupWorkerNameCase.cpp),
// the two deletion queues with the deletion of one destination file
// (BackupWorkerDeletions.cpp), and where the walk may go (BackupWorkerWalk.cpp).

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/SyncFlags.h"
#include "output/BaseOutput.h"
#include "storage/DirectoryList.h"
#include "storage/StorageDevice.h"
#include "sync/CopyLanes.h"
#include "sync/ExactNameIndex.h"
#include "sync/FileSpecs.h"

// What the comparison of a folder pair (and everything below it) came to.
enum class CompareResult {
    Done = 0,
    Stopped = 1  // a failure without /C ended the comparison
};

// What working off (part of) the deletion queues came to.
enum class DeletionResult {
    Done = 0,
    Stopped = 2,  // a deletion failed without /C; the rest stays queued
    Kept = 3      // an ignore spec protected something, so the folder around it stays
};

// Whether renames that fix letter case are made and reported at the destination.
enum class RenameState : uint8_t {
    Off = 0,       // switched off for the rest of the run
    Reported = 1,  // the destination keeps the case it is given; renames are reported
    NotKnown = 2   // no rename made yet this run
};

class VelSyncBackupWorker {
public:
    explicit VelSyncBackupWorker(VelSyncBaseOutput& output);
    VelSyncBackupWorker(const VelSyncBackupWorker&) = delete;
    VelSyncBackupWorker& operator=(const VelSyncBackupWorker&) = delete;

    // The whole synchronisation; results are reported through the output only,
    // ending with its Finish.
    void Run(const std::string& sourceLocation, VelStorageDevice& source,
             const VelSyncFlags& options, VelStorageDevice& destination,
             const std::string& destinationLocation);

    // Compares and processes one folder pair and, with /S, everything below it.
    CompareResult CompareFolder(const std::string& relativePath);
    // The time rule, with the drift of /1 and /2.
    bool IsNewer(const VelDirectoryEntry& source, const VelDirectoryEntry& destination) const;

    // The pattern predicates over relative paths (see VelFileSpecs); case
    // is ignored unless the source device compares names case-sensitively.
    bool IsMoveFile(const std::string& path) const;
    bool IsExcludedFile(const std::string& path) const;
    bool IsExcludedFolder(const std::string& path) const;
    bool IsIgnoredFile(const std::string& path) const;
    bool IsIgnoredFolder(const std::string& path) const;
    bool IsTextFile(const std::string& name) const;
    bool IsFileToCopy(const std::string& path) const;
    bool IsFolderToCopy(const std::string& path) const;

    // Copying and folder creation.
    bool CopyFile(const std::string& relativePath, const VelDirectoryEntry& source,
                  VelDirectoryList& destinationList, const VelDirectoryEntry* destination);
    // A free name for a copy on its way (/T) or a two-step rename, within the
    // limit on a name's length.
    std::string TemporaryName(const VelDirectoryEntry& source, VelDirectoryList& destinationList);
    std::string FileModeFor(const std::string& name) const;
    // name "." means the folder itself.
    bool MakeFolder(const std::string& folder, const std::string& name);
    // Brings a destination name to the letter case of the source name.
    void AlignNameCase(const std::string& relativePath, const VelDirectoryEntry& source,
                       VelDirectoryList& destinationList, VelDirectoryEntry& destination);

    // Deleting one destination file; with /R a read-only one is made writable and
    // tried once more.
    bool DeleteDestinationFile(const std::string& folder, const std::string& name,
                               bool reportFailure);
    // The deletion queues.
    DeletionResult ProcessFileDeletions();
    DeletionResult DeleteFolderTree(const std::string& relativePath);
    DeletionResult ProcessDeletions();

    const SyncStatistics& Statistics() const { return Stats; }
    RenameState CurrentRenameState() const { return RenameStateValue; }
    const std::deque<std::string>& PendingFiles() const { return PendingFileList; }
    const std::deque<std::string>& PendingFolders() const { return PendingFolderList; }

private:
    // Why a copy failed, where the destination device cannot say it afterwards:
    // a read-only target the worker refused itself, a local copy the source
    // could not make, a store whose reason the release of the local copy would
    // overwrite. Code 0: ask the destination.
    struct Failure {
        uint32_t Code = 0;
        std::string Text;
    };

    // A source folder's listing and what the worker learnt about it.
    struct SourceListing {
        std::unique_ptr<VelDirectoryList> List;
        bool Complete = true;  // the device listed the whole folder
        bool Clean = true;     // every listed name could be used
    };

    // Both roots exist, or the destination root was made under /M.
    bool RootsReady(const std::string& sourceLocation, const std::string& destinationLocation);

    // Where the walk may go (BackupWorkerWalk.cpp). The roots are not one folder.
    bool RootsApart(const std::string& sourceLocation, const std::string& destinationLocation);
    // A source folder is entered unless it leads back to an ancestor or to a
    // folder being walked, or is the destination root; `identity` is what it is.
    bool MayEnterSourceFolder(const std::string& relativePath, const VelDirectoryEntry& folder,
                              std::string& identity);
    // A destination folder is entered unless it is a link or the source root.
    bool MayEnterDestinationFolder(const std::string& relativePath,
                                   const VelDirectoryEntry& folder);
    // The destination folder at relativePath is the source root (reported once).
    bool IsSourceRootAt(const std::string& relativePath);
    void ReportContainedRoot(const std::string& text);

    // The run's own log files (BackupWorkerOwnFiles.cpp).
    void LearnOwnFiles();
    // The file `name` in `folder` of the source or destination device is one of
    // the run's own files.
    bool IsOwnFile(bool atSource, const std::string& folder, const std::string& name) const;
    bool IsOwnDestinationFile(const std::string& relativePath) const;

    // Listings (BackupWorkerListing.cpp).
    bool ListSourceFolder(const std::string& relativePath, SourceListing& listing);
    // Whether the deletion pass may go by this pair of listings: the source
    // listing is whole, every name in it usable, and an empty one of a folder
    // whose destination is not empty was confirmed by a second look.
    bool MayDeleteByListing(const std::string& relativePath, const SourceListing& source,
                            const VelDirectoryList& destination);
    std::unique_ptr<VelDirectoryList> ListDestinationFolder(const std::string& relativePath);
    // With /MT, the folders below this pair that the walk will enter go to the
    // lanes to be listed ahead of it.
    void ListFoldersAhead(const std::string& relativePath, VelDirectoryList& source,
                          VelDirectoryList& destination);
    // false when the list is not the folder's whole usable contents: a name was
    // left out here or by the device.
    bool DropUnusableNames(VelDirectoryList& list, const std::string& folder);
    void CheckListingLimit(const VelDirectoryList& source, const VelDirectoryList& destination);
    // Destination files named as the destination device names its temporary
    // files, and not at the source, are deleted and left out of the listing.
    void RemoveLeftoverTemporaries(const std::string& relativePath, VelDirectoryList& source,
                                   VelDirectoryList& destination);

    // The folder comparison (BackupWorkerComparison.cpp).
    void RefreshDeviceAnswers();
    void CountSourceEntries(const VelDirectoryList& source);
    CompareResult MainPass(const std::string& relativePath, VelDirectoryList& source,
                           VelDirectoryList& destination);
    VelDirectoryEntry* FindDestinationEntry(VelDirectoryList& destination,
                                            VelExactNameIndex& exactIndex, const std::string& name);
    CompareResult FolderStep(const std::string& relativePath, VelDirectoryEntry& source,
                             VelDirectoryList& destinationList, VelDirectoryEntry* destination);
    // False when the run must stop (the folder could not be made, without /C).
    bool MakeDestinationFolder(const std::string& relativePath, const std::string& name);
    CompareResult FileStep(const std::string& relativePath, VelDirectoryEntry& source,
                           VelDirectoryList& destinationList, VelDirectoryEntry* destination);
    bool DecideCopy(const std::string& relativePath, const VelDirectoryEntry& source,
                    const VelDirectoryEntry* destination);
    void ReportUncopyable(const std::string& relativePath, const VelDirectoryEntry& source);
    // The destination cannot take the name: reported, and the entry left out.
    bool ReportUnstorableName(const std::string& relativePath, const VelDirectoryEntry& source);
    // A link stands where the source has a file: it is removed (never written
    // through). false, with a warning, when it cannot be.
    bool RemoveDestinationLink(const std::string& relativePath, const VelDirectoryEntry& link);
    // Everything a copy needs of the walk, taken before it starts, so that it can
    // run beside the walk (/MT) on devices of its own.
    struct CopyPlan {
        std::string SourceFolder;
        std::string DestinationFolder;
        VelDirectoryEntry Source;
        std::string DestinationName;  // the file replaced, or the source's name
        bool WasReadOnly = false;     // the file replaced is read-only
        bool Binary = true;
        std::string FileMode;       // for Chmod; empty: none
        std::string TemporaryName;  // /T replacing a file; empty: straight to the name
    };
    CopyPlan PlanCopy(const std::string& relativePath, const VelDirectoryEntry& source,
                      VelDirectoryList& destinationList, const VelDirectoryEntry* destination);
    // One copy on the given devices; touches nothing of the walk's. failure gets
    // the reason where the devices cannot tell it afterwards, readFailure the
    // report of a source that could not be read.
    bool CopyWith(VelStorageDevice& from, VelStorageDevice& to, const CopyPlan& plan,
                  Failure& failure, std::string& readFailure) const;
    // /T replacing a file: the copy goes to a temporary name, the old file
    // goes, and the copy takes its name.
    bool PutThroughTemporaryName(VelStorageDevice& to, const std::string& local,
                                 const CopyPlan& plan) const;
    void DiscardTemporary(VelStorageDevice& to, const std::string& folder,
                          const std::string& name) const;
    // DeleteDestinationFile on any device.
    bool DeleteFileOn(VelStorageDevice& device, const std::string& folder, const std::string& name,
                      bool reportFailure) const;
    // The copy of CarryOutCopy handed to a lane (/MT); result Stopped once a
    // copy failed without /C. false when no lane could be opened: the caller
    // copies by itself.
    bool DispatchCopy(const std::string& relativePath, const VelDirectoryEntry& source,
                      VelDirectoryList& destinationList, const VelDirectoryEntry* destination,
                      bool move, CompareResult& result);
    // What a copy came to, on the walk's thread: counted, or reported as failed.
    void FinishCopy(const std::string& relativePath, const VelDirectoryEntry& source, bool copied,
                    const Failure& failure, const std::string& storedName,
                    bool moveWanted, bool moved, const std::string& moveFailure);
    // Waits for the copies in flight and finishes them (/MT).
    void FinishCopiesInFlight();
    // Says once how many lanes copy, when a device refused more than that.
    void ReportRefusedLanes();
    bool SizeRulesSayCopy(const std::string& relativePath, const VelDirectoryEntry& source,
                          const VelDirectoryEntry& destination);
    // The destination holds the text file as it is sent (every LF as CR LF).
    bool HoldsTextAsSent(const std::string& relativePath, const VelDirectoryEntry& source,
                         const VelDirectoryEntry& destination);
    CompareResult CarryOutCopy(const std::string& relativePath, VelDirectoryEntry& source,
                               VelDirectoryList& destinationList, VelDirectoryEntry* destination);
    // The source half of a move; false (reported) when the source file stays.
    bool DeleteMovedSource(const std::string& relativePath, const VelDirectoryEntry& source);
    void CountCopy(const VelDirectoryEntry& source, bool moved);

    // The deletion pass (BackupWorkerDeletionPass.cpp).
    void DeletionPass(const std::string& relativePath, VelDirectoryList& source,
                      VelDirectoryList& destination);
    VelDirectoryEntry* FindSourceEntry(VelDirectoryList& source, VelExactNameIndex& exactIndex,
                                       const std::string& name);
    bool IsObsolete(const std::string& relativePath, const VelDirectoryEntry& destination,
                    const VelDirectoryEntry* source) const;
    void QueueFolderDeletion(const std::string& relativePath, const VelDirectoryEntry& folder);
    void QueueFileDeletion(const std::string& relativePath, const VelDirectoryEntry& file);

    // Deletion queues (BackupWorkerDeletions.cpp).
    bool IsProtectedFromDeletion(const std::string& relativePath) const;
    DeletionResult QueueFolderContents(const std::string& relativePath, VelDirectoryList& list,
                                       int& kept);
    DeletionResult RemoveEmptiedFolder(const std::string& folder);

    void Report(MessageClass cls, const std::string& text);
    // A failed copy or listing: sets CopyErrors; with /C a warning ending
    // "Continuing" and true (go on), else an error ending "Stopping" and false.
    bool ReportFailedStep(const std::string& failure, uint32_t code, const std::string& text);
    void ShowProgress() { Output.ShowProgress(Stats); }
    std::string SourceFolder(const std::string& relativePath) const;
    std::string DestinationFolder(const std::string& relativePath) const;

    SyncStatistics Stats;
    Failure CopyFailure;
    // The lanes of /MT (none without it, or under /Sim), and whether a copy on
    // one of them failed without /C.
    std::unique_ptr<VelCopyLanes> Lanes;
    bool CopyStopped = false;
    bool LanesReported = false;  // the run has said how many lanes it could open
    bool CopiesDispatched = false;  // a copy went to a lane
    std::string SourceRoot;
    std::string DestinationRoot;
    std::deque<std::string> PendingFolderList;
    std::deque<std::string> PendingFileList;
    const VelSyncFlags* Options = nullptr;
    VelSyncBaseOutput& Output;
    VelStorageDevice* Source = nullptr;
    VelStorageDevice* Destination = nullptr;
    RenameState RenameStateValue = RenameState::NotKnown;

    // What the two roots really are (empty: the device cannot tell), and the
    // source folders on the path being walked, the root first.
    std::string SourceRootIdentity;
    std::string DestinationRootIdentity;
    std::vector<std::string> WalkedFolders;
    bool ContainedRootReported = false;

    // The run's log files, by the folder each device sees them in.
    struct OwnFile {
        std::string SourceIdentity, DestinationIdentity, Name;
    };
    std::vector<OwnFile> OwnFiles;
    // Destination files this run wrote under a name the device chose (relative
    // paths): the deletion pass must not take them for strangers.
    std::set<std::string> StoredUnderOtherNames;

    // Device answers asked once per folder pair rather than once per file, so
    // that a rerun that changes nothing makes no device call per file.
    bool SourceIgnoresCase = true;
    bool DestinationNamesExact = false;
    bool DestinationTextMode = false;
};
