#include "output/TallyOutput.h"

TVelSyncTallyOutput::TVelSyncTallyOutput(std::unique_ptr<VelSyncBaseOutput> target)
    : TGenericFilteredOutput(std::move(target)) {}

void TVelSyncTallyOutput::Finish(const SyncStatistics& stats) {
    Finished = true;
    Final = stats;
    TGenericFilteredOutput::Finish(stats);
}

// Counted before passing on: a message that makes an output fail was sent all
// the same.
void TVelSyncTallyOutput::Report(const SyncStatistics& stats, MessageClass cls,
                                 const VelMessageText& text) {
    Count(cls);
    Target().Report(stats, cls, text);
}

void TVelSyncTallyOutput::Message(MessageClass cls, const VelMessageText& text) {
    Count(cls);
    Target().Message(cls, text);
}

void TVelSyncTallyOutput::Count(MessageClass cls) {
    if (IsWarningClass(cls)) ++Warnings;
    if (IsErrorClass(cls)) ++Errors;
}
