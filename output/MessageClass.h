#pragma once
// The kinds of event the system reports. The values are fixed: the groups are
// tested as ranges, and the unassigned values belong to no group.

#include <cstdint>

enum MessageClass : uint8_t {
    // detail group
    mcScanSource = 1,
    mcScanTarget = 2,
    mcScanFolder = 3,
    mcScanBeforeDelete = 4,
    mcUpToDate = 5,
    mcMarkFolderDelete = 6,
    mcMarkFileDelete = 7,
    mcIgnoreFolder = 8,
    mcFolderNotAtSource = 9,
    mcFileNotAtSource = 10,
    // action group
    mcConnected = 13,
    mcCopyFile = 14,
    mcRenameFrom = 15,
    mcRenameTo = 16,
    mcCreateFolder = 17,
    mcDeleteFile = 18,
    mcSkipDeleteFile = 19,
    mcDeleteFolder = 20,
    mcSkipDeleteFolder = 21,
    mcExplain = 22,
    mcInformation = 23,
    // warning group
    mcWarning = 26,
    // error group
    mcError = 29,
    mcDebug = 30,
};
