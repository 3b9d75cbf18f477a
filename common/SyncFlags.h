#pragma once
// Every choice made on the command line, carried into the engine. The program
// body fills it; afterwards it is only read.

#include <cstdint>
#include <string>
#include <vector>

using StringList = std::vector<std::string>;

class VelSyncFlags {
public:
    VelSyncFlags() { Reset(); }

    // Every field back to its default and every list emptied. The two chmod
    // modes are left as they are.
    void Reset();

    bool MakeTargetDir;
    bool ContinueOnError;
    bool DeleteObsolete;
    bool IgnoreErrors;
    bool Simulate;
    bool Recurse;
    double StartDate;  // days since 1899-12-30 local time; 0 = no start date
    bool NewerOnly;
    bool Explain;
    uint32_t FSwitchFirst;
    uint32_t FSwitchSecond;
    std::string NewFileMode;
    std::string NewFolderMode;
    StringList TextFileSpecs;
    StringList CopySpecs;
    StringList ExcludeFileSpecs;
    StringList IgnoreFileSpecs;
    StringList MoveSpecs;
    StringList ExcludeFolderSpecs;
    StringList IgnoreFolderSpecs;
    uint32_t DriftSeconds;
    bool OverwriteReadOnly;
    std::string TempPrefix;
    // /MT:n: up to this many files are copied at once, each side over devices of
    // their own (1, the default, copies one file after the other).
    uint32_t ParallelCopies;
    // The run's own files (the /L log and the /E error log, as given): never
    // deleted or replaced while the run writes them.
    StringList RunOwnFiles;
};
