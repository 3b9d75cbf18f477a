#include "output/DualOutput.h"

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

void VelSyncDualOutput::Report(const SyncStatistics& stats, MessageClass cls,
                               const std::string& text) {
    FirstOutput->Report(stats, cls, text);
    SecondOutput->Report(stats, cls, text);
}

void VelSyncDualOutput::Message(MessageClass cls, const std::string& text) {
    FirstOutput->Message(cls, text);
    SecondOutput->Message(cls, text);
}

bool VelSyncDualOutput::Accepts(MessageClass cls) {
    return FirstOutput->Accepts(cls) || SecondOutput->Accepts(cls);
}
