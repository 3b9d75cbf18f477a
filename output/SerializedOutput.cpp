#include "output/SerializedOutput.h"

#include "output/OutputError.h"

VelSyncSerializedOutput::VelSyncSerializedOutput(VelSyncBaseOutput& inner)
    : Inner(inner), Owner(std::this_thread::get_id()) {}

template <typename Call>
void VelSyncSerializedOutput::Serialized(Call&& call) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (std::this_thread::get_id() == Owner) {
        if (Kept) std::rethrow_exception(std::exchange(Kept, nullptr));
        call();
        return;
    }
    try {
        call();
    } catch (const VelOutputError&) {
        if (!Kept) Kept = std::current_exception();
    }
}

void VelSyncSerializedOutput::RethrowKept() {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (Kept && std::this_thread::get_id() == Owner) std::rethrow_exception(std::exchange(Kept, nullptr));
}

void VelSyncSerializedOutput::ShowProgress(const SyncStatistics& stats) {
    Serialized([&] { Inner.ShowProgress(stats); });
}

void VelSyncSerializedOutput::Finish(const SyncStatistics& stats) {
    Serialized([&] { Inner.Finish(stats); });
}

void VelSyncSerializedOutput::Report(const SyncStatistics& stats, MessageClass cls,
                                     const VelMessageText& text) {
    Serialized([&] { Inner.Report(stats, cls, text); });
}

void VelSyncSerializedOutput::Message(MessageClass cls, const VelMessageText& text) {
    Serialized([&] { Inner.Message(cls, text); });
}

bool VelSyncSerializedOutput::Accepts(MessageClass cls) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Inner.Accepts(cls);
}
