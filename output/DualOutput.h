#pragma once
// Hands everything to two outputs, First before Second. Owns both and destroys
// First, then Second. Main thread only.

#include <memory>

#include "output/BaseOutput.h"

class VelSyncDualOutput : public VelSyncBaseOutput {
public:
    // Both must be non-null.
    VelSyncDualOutput(std::unique_ptr<VelSyncBaseOutput> first,
                      std::unique_ptr<VelSyncBaseOutput> second);
    ~VelSyncDualOutput() override;

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    // Report of First, then Report of Second: each applies its own class test.
    // When First throws VelOutputError, Second still gets the message before the
    // error passes on; the same for Message.
    void Report(const SyncStatistics& stats, MessageClass cls, const VelMessageText& text) override;
    void Message(MessageClass cls, const VelMessageText& text) override;
    // True when either accepts the class.
    bool Accepts(MessageClass cls) override;

    VelSyncBaseOutput& First() { return *FirstOutput; }
    VelSyncBaseOutput& Second() { return *SecondOutput; }

private:
    std::unique_ptr<VelSyncBaseOutput> FirstOutput;
    std::unique_ptr<VelSyncBaseOutput> SecondOutput;
};
