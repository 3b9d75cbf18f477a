#pragma once
// What a run came to, in the two forms a scheduled job reads: the exit code of
// /ExitCode and the totals line of /Stats. Pure functions.

#include <cstdint>
#include <string>

#include "output/SyncStatistics.h"

// The bits of the exit code under /ExitCode; 0: nothing to do, nothing wrong.
namespace ExitBit {
constexpr int Changed = 1;            // something was copied, moved, created or deleted
constexpr int Warnings = 2;           // warnings were reported
constexpr int Errors = 4;             // errors: a copy, folder creation or deletion failed,
                                      // or an error was reported or ended the run
constexpr int DeletionsHeldBack = 8;  // deletions left undone for safety
constexpr int NotStarted = 16;        // a side could not be reached or connected, a
                                      // root was missing, a log could not be opened
}  // namespace ExitBit

struct VelRunOutcome {
    SyncStatistics Stats;  // as the run finished; all zero when it never began
    int32_t Warnings = 0;  // warning and error messages, whoever sent them
    int32_t Errors = 0;
    bool LogFailed = false;  // the /L log could not be created
    bool Rehearsal = false;  // /Sim: the counts are of what would be done
    double Seconds = 0;
};

int ExitCodeBits(const VelRunOutcome& outcome);

// "Totals: N copied, N moved, N folders created, N files deleted, N folders
// deleted, N up to date, N warnings, N errors; N bytes in S s", S in seconds with
// one decimal (a point, whatever the locale); under /Sim it begins
// "Totals (rehearsal): ".
std::string TotalsLine(const VelRunOutcome& outcome);
