#pragma once
// Counts the warnings and errors on their way to the output it wraps, whoever
// sends them (the worker, the devices, the run driver), and keeps the
// statistics the run finished with: what a run's totals and exit code are made
// of. In the program it is the root of the chain. Everything passes on
// unchanged: Report as Report, so that the outputs behind it apply their own
// class tests. Owns its target like TGenericFilteredOutput. Main thread only.

#include <cstdint>
#include <memory>

#include "output/GenericFilteredOutput.h"

class TVelSyncTallyOutput : public TGenericFilteredOutput {
public:
    explicit TVelSyncTallyOutput(std::unique_ptr<VelSyncBaseOutput> target);

    void Finish(const SyncStatistics& stats) override;
    void Report(const SyncStatistics& stats, MessageClass cls, const VelMessageText& text) override;
    void Message(MessageClass cls, const VelMessageText& text) override;

    int32_t Warnings = 0;
    int32_t Errors = 0;
    bool Finished = false;  // a run reached its end (the worker's Finish)
    SyncStatistics Final;   // the statistics Finish was given

private:
    void Count(MessageClass cls);
};
