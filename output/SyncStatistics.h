#pragma once
// The worker's progress record. The worker writes it; outputs only read it.

#include <cstdint>

struct SyncStatistics {
    bool CopyErrors = false;  // a copy or folder creation failed
    int32_t FilesFound = 0;
    int32_t FilesDone = 0;
    int32_t FoldersFound = 0;
    int32_t FoldersDeleted = 0;
    int32_t FoldersDone = 0;
};
