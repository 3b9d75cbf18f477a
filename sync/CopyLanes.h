#pragma once
// Copies made beside the walk (/MT): up to a number of lanes, each a thread with
// a source and a destination device of its own (siblings of the run's devices,
// opened as they are first needed), each copying one file at a time.
//
// The walk hands a copy over with Dispatch, which waits for a free lane. A
// copy's Work runs on its lane with the lane's devices; its Finish runs on the
// walk's thread, within a later Dispatch or Drain, so that everything the walk
// keeps (statistics, reports, queues) is touched by the walk's thread only.
//
// A device that cannot make another sibling (a server that takes no more
// connections) leaves the lanes already open; when not even one lane could be
// opened, Dispatch refuses and the walk copies by itself.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "storage/StorageDevice.h"

class VelCopyLanes {
public:
    using Work = std::function<void(VelStorageDevice& source, VelStorageDevice& destination)>;
    using Finish = std::function<void()>;

    VelCopyLanes(VelStorageDevice& source, VelStorageDevice& destination, uint32_t lanes);
    // Waits for the copies in flight (their Finish is not run) and ends the lanes.
    ~VelCopyLanes();
    VelCopyLanes(const VelCopyLanes&) = delete;
    VelCopyLanes& operator=(const VelCopyLanes&) = delete;

    // Hands a copy to a free lane, opening one when every open lane is busy and
    // fewer are open than allowed, else waiting for one; the copies that ended
    // meanwhile are finished first. false when no lane can be opened at all.
    bool Dispatch(Work work, Finish finish);
    // Waits until every copy handed over has ended, and finishes each.
    void Drain();
    // How many lanes could be opened, and whether a device refused one more.
    uint32_t Opened() const { return uint32_t(Lanes.size()); }
    bool Refused() const { return RefusedMore; }

private:
    struct Lane {
        std::unique_ptr<VelStorageDevice> Source;
        std::unique_ptr<VelStorageDevice> Destination;
        Work Pending;  // empty: idle
        Finish PendingFinish;
        std::thread Thread;
    };

    bool OpenLane();
    void Serve(Lane& lane);
    // Runs the Finish of every copy that has ended (walk's thread).
    void FinishEnded(std::unique_lock<std::mutex>& lock);
    Lane* IdleLane();

    VelStorageDevice& Source;
    VelStorageDevice& Destination;
    const uint32_t MaxLanes;
    bool RefusedMore = false;
    std::vector<std::unique_ptr<Lane>> Lanes;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<Finish> Ended;
    int Busy = 0;
    bool Stopping = false;
};
