#include "output/GenericFilteredOutput.h"

TGenericFilteredOutput::TGenericFilteredOutput(std::unique_ptr<VelSyncBaseOutput> target)
    : TargetOutput(std::move(target)) {}

TGenericFilteredOutput::~TGenericFilteredOutput() = default;

void TGenericFilteredOutput::ShowProgress(const SyncStatistics& stats) {
    if (PassesProgress()) TargetOutput->ShowProgress(stats);
}

void TGenericFilteredOutput::Finish(const SyncStatistics& stats) {
    TargetOutput->Finish(stats);
}

void TGenericFilteredOutput::Message(MessageClass cls, const VelMessageText& text) {
    if (Accepts(cls)) TargetOutput->Message(cls, text);
}

bool TGenericFilteredOutput::PassesProgress() {
    return true;
}
