#pragma once
// The worker's progress record. The worker writes it; outputs only read it.
//
// Besides the progress counters it keeps what the run did, for the totals a
// run ends with: under /Sim the counts are of what the run would do.

#include <cstdint>

struct SyncStatistics {
    bool CopyErrors = false;  // a copy or folder creation failed
    int32_t FilesFound = 0;
    int32_t FilesDone = 0;
    int32_t FoldersFound = 0;
    int32_t FoldersDeleted = 0;
    int32_t FoldersDone = 0;

    // Both roots were there (or made) and the comparison began.
    bool Started = false;
    // A deletion failed (a destination file or folder, or the source file of a move).
    bool DeleteErrors = false;
    // Deletions were left undone for safety: a source listing failed or could not
    // be trusted, or errors kept the queued deletions from being made.
    bool DeletionsHeldBack = false;
    int32_t FilesCopied = 0;     // copies made, moves not included
    int32_t FilesMoved = 0;      // copied, then deleted at the source
    int32_t FoldersCreated = 0;  // at the destination, its root included
    int32_t FilesDeleted = 0;    // at the destination
    int32_t FilesUpToDate = 0;
    int64_t BytesCopied = 0;  // the listed sizes of the files copied and moved
};
