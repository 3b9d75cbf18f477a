#include "platform/InterruptSlots.h"

#include <cstring>

#include "platform/InterruptCleanup.h"

namespace platform {

interrupt::ArmedPath interrupt::Slots[interrupt::SlotCount];

void RemovedOnInterrupt::Arm(const std::string& path) {
    using namespace interrupt;
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
    interrupt::Slots[Slot].Armed.store(false);
    interrupt::Slots[Slot].Taken.store(false);
    Slot = -1;
}

}  // namespace platform
