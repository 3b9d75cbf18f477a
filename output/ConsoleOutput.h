#pragma once
// Messages and a one-line progress summary on the console. The summary stays on
// the last line without a line end and is rewritten in place; each message
// overwrites it and ends its line, so messages scroll up and the summary comes
// back below them at the next progress update. Borrows the console, which must
// outlive it. Main thread only.

#include <cstdint>
#include <string>

#include "output/BaseOutput.h"
#include "platform/Console.h"

class VelSyncConsoleOutput : public VelSyncBaseOutput {
public:
    explicit VelSyncConsoleOutput(platform::Console& console = platform::StandardConsole());
    // Wipes a summary that is still pending and leaves the cursor at the start of
    // its line.
    ~VelSyncConsoleOutput() override;

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    void Message(MessageClass cls, const VelMessageText& text) override;

    // Carriage return and text; blanks and backspaces over what is left of a
    // longer pending line; then either a line end or the text left pending.
    void WriteLine(const std::string& text, bool newline);

    // "Directories: <done+deleted>/<found>  Files: <done>/<found>"
    static std::string ProgressSummary(const SyncStatistics& stats);

    // Characters of a line standing on the console without a line end.
    int32_t PendingLength = 0;

private:
    platform::Console& Console;
};
