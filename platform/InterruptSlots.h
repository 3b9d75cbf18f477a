#pragma once
// The table of paths armed against an interrupt, shared by the POSIX and the
// Windows interrupt handlers. An interrupt handler may read it at any moment:
// it reads a slot's path only while the slot is armed, and a path is written
// only while its slot is taken but not yet armed, so the handler never sees a
// path half-written. Nothing here allocates or locks.

#include <atomic>
#include <cstddef>

namespace platform::interrupt {

// Enough for every device of a run that copies 16 files at once (/MT:16): each
// of its devices may hold a private folder, a download and a copy in progress.
constexpr int SlotCount = 112;
constexpr size_t MaxPath = 4096;

struct ArmedPath {
    std::atomic<bool> Taken{false};
    std::atomic<bool> Armed{false};
    char Path[MaxPath + 1];
};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs lock-free flags");

extern ArmedPath Slots[SlotCount];

}  // namespace platform::interrupt
