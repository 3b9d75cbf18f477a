#include "platform/InterruptCleanup.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace platform {

namespace {

constexpr int SlotCount = 8;
constexpr size_t MaxPath = 4096;

// The handler reads a slot's path only while the slot is armed, and a path is
// written only while its slot is taken but not yet armed.
struct ArmedFile {
    std::atomic<bool> Taken{false};
    std::atomic<bool> Armed{false};
    char Path[MaxPath + 1];
};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs lock-free flags");

ArmedFile Slots[SlotCount];

const int Interrupts[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
    const int saved = errno;
    for (ArmedFile& slot : Slots)
        if (slot.Armed.load()) unlink(slot.Path);
    // Folders last, once the files armed inside them are gone.
    for (ArmedFile& slot : Slots)
        if (slot.Armed.load()) rmdir(slot.Path);
    // End as the signal would have ended the process: its default action. The
    // signal is blocked while this runs, so it is delivered again on return.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    raise(signal);
    errno = saved;
}

}  // namespace

void RemoveRegisteredFilesOnInterrupt() {
    struct sigaction handler {};
    handler.sa_handler = OnInterrupt;
    sigemptyset(&handler.sa_mask);
    for (int signal : Interrupts) sigaddset(&handler.sa_mask, signal);
    for (int signal : Interrupts) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &handler, nullptr);
    }
}

void RemovedOnInterrupt::Arm(const std::string& path) {
    Disarm();
    if (path.empty() || path.size() > MaxPath) return;
    for (int i = 0; i < SlotCount; ++i) {
        bool expected = false;
        if (!Slots[i].Taken.compare_exchange_strong(expected, true)) continue;
        memcpy(Slots[i].Path, path.c_str(), path.size() + 1);
        Slots[i].Armed.store(true);
        Slot = i;
        return;
    }
}

void RemovedOnInterrupt::Disarm() {
    if (Slot < 0) return;
    Slots[Slot].Armed.store(false);
    Slots[Slot].Taken.store(false);
    Slot = -1;
}

}  // namespace platform
