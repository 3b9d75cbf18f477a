#pragma once
// The synchronisation engine. One worker serves one Run: it walks the source
// tree folder by folder, lists each source folder and its destination folder,
// copies what is missing or out of date, creates missing folders, queues
// destination entries the source no longer has and, with /delete, works the
// queues off at the end. Every event goes to the output as (class, text).
//
// The worker borrows the output, the options and both devices; it frees none of
// them. It runs on the calling thread and calls the devices synchronously. Its
// work is split by concept over several files: the run and the folder comparison
// (BackupWorker.cpp, FolderComparison.cpp), the listing checks
// (FolderListing.cpp), the deletion pass (DeletionPass.cpp), copying and folder
// creation (FileCopier.cpp), letter-case alignment (NameAlignment.cpp) and the
// two deletion queues (DeletionQueue.cpp).

#include <cstdint>
#include <deque>
#include <string>

#include "main/SyncFlags.h"
#include "output/BaseOutput.h"
#include "storage/StorageDevice.h"
#include "sync/DirectoryList.h"
#include "sync/ExactNameIndex.h"
#include "sync/FileSpecs.h"

class VelSyncBackupWorker {
public:
    // CompareFolder results.
    static constexpr int CompareDone = 0;
    static constexpr int CompareStopped = 1;
    // Deletion results.
    static constexpr int DeletionDone = 0;
    static constexpr int DeletionStopped = 2;
    static constexpr int DeletionKept = 3;

    explicit VelSyncBackupWorker(VelSyncBaseOutput& output);
    VelSyncBackupWorker(const VelSyncBackupWorker&) = delete;
    VelSyncBackupWorker& operator=(const VelSyncBackupWorker&) = delete;

    // The whole synchronisation; results are reported through the output only,
    // ending with its Finish.
    void Run(const std::string& sourceLocation, VelStorageDevice& source,
             const VelSyncFlags& options, VelStorageDevice& destination,
             const std::string& destinationLocation);

    // Compares and processes one folder pair and, with /S, everything below it.
    int CompareFolder(const std::string& relativePath);
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
    std::string TemporaryName(const VelDirectoryEntry& source, VelDirectoryList& destinationList);
    std::string FileModeFor(const std::string& name) const;
    bool DeleteDestinationFile(const std::string& folder, const std::string& name,
                               bool reportFailure);
    // name "." means the folder itself.
    bool MakeFolder(const std::string& folder, const std::string& name);
    // Brings a destination name to the letter case of the source name.
    void AlignNameCase(const std::string& relativePath, const VelDirectoryEntry& source,
                       VelDirectoryList& destinationList, VelDirectoryEntry& destination);

    // The deletion queues; results are DeletionDone, DeletionStopped, DeletionKept.
    int ProcessFileDeletions();
    int DeleteFolderTree(const std::string& relativePath);
    int ProcessDeletions();

    const SyncStatistics& Statistics() const { return Stats; }
    uint8_t RenameState() const { return RenameStateValue; }
    const std::deque<std::string>& PendingFiles() const { return PendingFileList; }
    const std::deque<std::string>& PendingFolders() const { return PendingFolderList; }

private:
    // A source folder's listing and what the worker learnt about it.
    struct SourceListing {
        VelDirectoryList* List = nullptr;
        bool Complete = true;  // the device listed the whole folder
        bool Clean = true;     // every listed name could be used
    };

    // Both roots exist, or the destination root was made under /M.
    bool RootsReady(const std::string& sourceLocation, const std::string& destinationLocation);

    // Listings (FolderListing.cpp).
    bool ListSourceFolder(const std::string& relativePath, SourceListing& listing);
    VelDirectoryList* ListDestinationFolder(const std::string& relativePath);
    bool DropUnusableNames(VelDirectoryList& list, const std::string& folder);
    void CheckListingLimit(const VelDirectoryList& source, const VelDirectoryList& destination);

    // The folder comparison (FolderComparison.cpp).
    void RefreshDeviceAnswers();
    void CountSourceEntries(const VelDirectoryList& source);
    int MainPass(const std::string& relativePath, VelDirectoryList& source,
                 VelDirectoryList& destination);
    VelDirectoryEntry* FindDestinationEntry(VelDirectoryList& destination,
                                            VelExactNameIndex& exactIndex, const std::string& name);
    int FolderStep(const std::string& relativePath, VelDirectoryEntry& source,
                   VelDirectoryList& destinationList, VelDirectoryEntry* destination);
    int FileStep(const std::string& relativePath, VelDirectoryEntry& source,
                 VelDirectoryList& destinationList, VelDirectoryEntry* destination);
    bool DecideCopy(const VelDirectoryEntry& source, const VelDirectoryEntry* destination);
    bool SizeRulesSayCopy(const VelDirectoryEntry& source, const VelDirectoryEntry& destination);
    int CarryOutCopy(const std::string& relativePath, VelDirectoryEntry& source,
                     VelDirectoryList& destinationList, VelDirectoryEntry* destination);

    // The deletion pass (DeletionPass.cpp).
    void DeletionPass(const std::string& relativePath, VelDirectoryList& source,
                      VelDirectoryList& destination);
    VelDirectoryEntry* FindSourceEntry(VelDirectoryList& source, VelExactNameIndex& exactIndex,
                                       const std::string& name);
    bool IsObsolete(const std::string& relativePath, const VelDirectoryEntry& destination,
                    const VelDirectoryEntry* source) const;
    void QueueFolderDeletion(const std::string& relativePath, const VelDirectoryEntry& folder);
    void QueueFileDeletion(const std::string& relativePath, const VelDirectoryEntry& file);

    // Deletion queues (DeletionQueue.cpp).
    bool IsProtectedFromDeletion(const std::string& relativePath) const;
    int QueueFolderContents(const std::string& relativePath, VelDirectoryList& list, int& kept);
    int RemoveEmptiedFolder(const std::string& folder);

    void Report(MessageClass cls, const std::string& text);
    // A failed copy or listing: sets CopyErrors; with /C a warning ending
    // "Continuing" and true (go on), else an error ending "Stopping" and false.
    bool ReportFailedStep(const std::string& failure, uint32_t code, const std::string& text);
    void ShowProgress() { Output.ShowProgress(Stats); }
    std::string SourceFolder(const std::string& relativePath) const;
    std::string DestinationFolder(const std::string& relativePath) const;

    SyncStatistics Stats;
    std::string SourceRoot;
    std::string DestinationRoot;
    std::deque<std::string> PendingFolderList;
    std::deque<std::string> PendingFileList;
    const VelSyncFlags* Options = nullptr;
    VelSyncBaseOutput& Output;
    VelStorageDevice* Source = nullptr;
    VelStorageDevice* Destination = nullptr;
    uint8_t RenameStateValue = 2;

    // Device answers asked once per folder pair rather than once per file, so
    // that a rerun that changes nothing makes no device call per file.
    bool SourceIgnoresCase = true;
    bool DestinationNamesExact = false;
    bool DestinationTextMode = false;
};
