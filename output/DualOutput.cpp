#include "output/DualOutput.h"

#include "output/OutputError.h"

VelSyncDualOutput::VelSyncDualOutput(std::unique_ptr<VelSyncBaseOutput> first,
                                     std::unique_ptr<VelSyncBaseOutput> second)
    : FirstOutput(std::move(first)), SecondOutput(std::move(second)) {}

VelSyncDualOutput::~VelSyncDualOutput() {
    FirstOutput.reset();
    SecondOutput.reset();
}

void VelSyncDualOutput::ShowProgress(const SyncStatistics& stats) {
    FirstOutput->ShowProgress(stats);
    SecondOutput->ShowProgress(stats);
}

void VelSyncDualOutput::Finish(const SyncStatistics& stats) {
    FirstOutput->Finish(stats);
    SecondOutput->Finish(stats);
}

// An output that fails (an error log that cannot be written) ends the program,
// but the message it could not take still reaches the other one, the console
// at the end of the chain, before it does.
void VelSyncDualOutput::Report(const SyncStatistics& stats, MessageClass cls,
                               const VelMessageText& text) {
    try {
        FirstOutput->Report(stats, cls, text);
    } catch (const VelOutputError&) {
        SecondOutput->Report(stats, cls, text);
        throw;
    }
    SecondOutput->Report(stats, cls, text);
}

void VelSyncDualOutput::Message(MessageClass cls, const VelMessageText& text) {
    try {
        FirstOutput->Message(cls, text);
    } catch (const VelOutputError&) {
        SecondOutput->Message(cls, text);
        throw;
    }
    SecondOutput->Message(cls, text);
}

bool VelSyncDualOutput::Accepts(MessageClass cls) {
    return FirstOutput->Accepts(cls) || SecondOutput->Accepts(cls);
}
