#pragma once
// An output that keeps every message as a (class, text) pair, with the progress
// counters as they stood when it arrived, and remembers the progress calls and
// the final statistics.

#include <string>
#include <utility>
#include <vector>

#include "output/BaseOutput.h"

class RecordingOutput : public VelSyncBaseOutput {
public:
    struct Entry {
        MessageClass Class;
        std::string Text;
    };

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    void Message(MessageClass cls, const std::string& text) override;

    // The texts of one class, in order.
    std::vector<std::string> TextsOf(MessageClass cls) const;
    // Every message as FormatLine renders it ("!! Error: ..."), in order.
    std::vector<std::string> Lines() const;
    bool Has(MessageClass cls, const std::string& text) const;
    int CountOf(MessageClass cls) const;

    std::vector<Entry> Messages;
    int ProgressCalls = 0;
    int FinishCalls = 0;
    SyncStatistics Final;
};
