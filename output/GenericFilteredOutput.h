#pragma once
// A decorator that passes on to its target only what it lets through: messages
// whose class Accepts, and progress when PassesProgress. This class lets
// everything through; TVelSyncFilterOutputByClass narrows it. Finish always
// reaches the target. Owns the target and destroys it. Main thread only.

#include <memory>

#include "output/BaseOutput.h"

class TGenericFilteredOutput : public VelSyncBaseOutput {
public:
    explicit TGenericFilteredOutput(std::unique_ptr<VelSyncBaseOutput> target);
    ~TGenericFilteredOutput() override;

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    void Message(MessageClass cls, const VelMessageText& text) override;
    virtual bool PassesProgress();

    VelSyncBaseOutput& Target() { return *TargetOutput; }

private:
    std::unique_ptr<VelSyncBaseOutput> TargetOutput;
};
