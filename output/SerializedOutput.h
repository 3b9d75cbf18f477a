#pragma once
// An output that several threads may use at once: each call reaches the output
// behind it whole, one after the other, so no two messages or log lines are
// interleaved. It serves a run that copies several files at once (/MT), whose
// devices report from threads of their own.
//
// An output error (VelOutputError) met on another thread than the one that
// made the object cannot end the program there: it is kept, and thrown on the
// making thread's next call (or by RethrowKept).

#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "output/BaseOutput.h"

class VelSyncSerializedOutput : public VelSyncBaseOutput {
public:
    explicit VelSyncSerializedOutput(VelSyncBaseOutput& inner);

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    void Report(const SyncStatistics& stats, MessageClass cls, const VelMessageText& text) override;
    void Message(MessageClass cls, const VelMessageText& text) override;
    bool Accepts(MessageClass cls) override;
    // On the making thread: throws an output error another thread met.
    void RethrowKept();

private:
    template <typename Call>
    void Serialized(Call&& call);

    VelSyncBaseOutput& Inner;
    const std::thread::id Owner;
    std::recursive_mutex Lock;
    std::exception_ptr Kept;
};
