#include "main/RunOutcome.h"

#include <algorithm>
#include <cmath>

namespace {

// Tenths of a second, written without the locale's decimal separator, so that
// a job reads the line the same everywhere.
std::string Seconds(double seconds) {
    const long long tenths = std::llround(std::max(seconds, 0.0) * 10);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

int ExitCodeBits(const VelRunOutcome& outcome) {
    const SyncStatistics& stats = outcome.Stats;
    int bits = 0;
    if (stats.FilesCopied + stats.FilesMoved + stats.FoldersCreated + stats.FilesDeleted +
            stats.FoldersDeleted >
        0)
        bits |= ExitBit::Changed;
    if (outcome.Warnings > 0) bits |= ExitBit::Warnings;
    // With /C a failed copy or deletion is reported as a warning, and is still one.
    if (outcome.Errors > 0 || stats.CopyErrors || stats.DeleteErrors) bits |= ExitBit::Errors;
    if (stats.DeletionsHeldBack) bits |= ExitBit::DeletionsHeldBack;
    if (!stats.Started || outcome.LogFailed) bits |= ExitBit::NotStarted;
    return bits;
}

std::string TotalsLine(const VelRunOutcome& outcome) {
    const SyncStatistics& stats = outcome.Stats;
    auto count = [](long long n, const char* what) { return std::to_string(n) + " " + what; };
    return std::string(outcome.Rehearsal ? "Totals (rehearsal): " : "Totals: ") +
           count(stats.FilesCopied, "copied, ") + count(stats.FilesMoved, "moved, ") +
           count(stats.FoldersCreated, "folders created, ") +
           count(stats.FilesDeleted, "files deleted, ") +
           count(stats.FoldersDeleted, "folders deleted, ") +
           count(stats.FilesUpToDate, "up to date, ") + count(outcome.Warnings, "warnings, ") +
           count(outcome.Errors, "errors; ") + count(stats.BytesCopied, "bytes in ") +
           Seconds(outcome.Seconds) + " s";
}
