#include "common/SyncFlags.h"

void VelSyncFlags::Reset() {
    MakeTargetDir = false;
    ContinueOnError = false;
    DeleteObsolete = false;
    IgnoreErrors = false;
    Simulate = false;
    Recurse = true;
    StartDate = 0;
    NewerOnly = true;
    Explain = false;
    FSwitchFirst = 0;
    FSwitchSecond = 0;
    TextFileSpecs.clear();
    CopySpecs.clear();
    ExcludeFileSpecs.clear();
    IgnoreFileSpecs.clear();
    MoveSpecs.clear();
    ExcludeFolderSpecs.clear();
    IgnoreFolderSpecs.clear();
    DriftSeconds = 0;
    OverwriteReadOnly = false;
    TempPrefix.clear();
    ParallelCopies = 1;
    RunOwnFiles.clear();
}
