#include "sync/CopyLanes.h"

VelCopyLanes::VelCopyLanes(VelStorageDevice& source, VelStorageDevice& destination,
                           uint32_t lanes)
    : Source(source), Destination(destination), MaxLanes(lanes) {}

VelCopyLanes::~VelCopyLanes() {
    {
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait(lock, [&] { return Busy == 0; });
        Stopping = true;
    }
    Changed.notify_all();
    for (auto& lane : Lanes) lane->Thread.join();
}

bool VelCopyLanes::OpenLane() {
    if (RefusedMore || Lanes.size() >= MaxLanes) return false;
    auto lane = std::make_unique<Lane>();
    lane->Source = Source.OpenSibling();
    if (lane->Source) lane->Destination = Destination.OpenSibling();
    if (!lane->Source || !lane->Destination) {
        RefusedMore = true;
        return false;
    }
    Lane& opened = *lane;
    Lanes.push_back(std::move(lane));
    opened.Thread = std::thread([this, &opened] { Serve(opened); });
    return true;
}

void VelCopyLanes::Serve(Lane& lane) {
    std::unique_lock<std::mutex> lock(Lock);
    for (;;) {
        Changed.wait(lock, [&] { return Stopping || lane.Pending; });
        if (!lane.Pending) return;
        Work work = std::move(lane.Pending);
        lane.Pending = nullptr;
        lock.unlock();
        work(*lane.Source, *lane.Destination);
        lock.lock();
        Ended.push_back(std::move(lane.PendingFinish));
        lane.PendingFinish = nullptr;
        --Busy;
        Changed.notify_all();
    }
}

VelCopyLanes::Lane* VelCopyLanes::IdleLane() {
    // A lane is idle when it holds no copy; Busy counts those handed over and not
    // yet ended, which a lane holds until its Work returns.
    size_t busy = size_t(Busy);
    if (busy >= Lanes.size()) return nullptr;
    for (auto& lane : Lanes)
        if (!lane->Pending && !lane->PendingFinish) return lane.get();
    return nullptr;
}

void VelCopyLanes::FinishEnded(std::unique_lock<std::mutex>& lock) {
    while (!Ended.empty()) {
        Finish finish = std::move(Ended.front());
        Ended.pop_front();
        lock.unlock();
        if (finish) finish();
        lock.lock();
    }
}

bool VelCopyLanes::Dispatch(Work work, Finish finish) {
    std::unique_lock<std::mutex> lock(Lock);
    FinishEnded(lock);
    Lane* lane = IdleLane();
    if (!lane) {
        lock.unlock();
        const bool opened = OpenLane();
        lock.lock();
        if (opened) lane = IdleLane();
    }
    if (!lane && Lanes.empty()) return false;
    while (!lane) {
        Changed.wait(lock, [&] { return !Ended.empty(); });
        FinishEnded(lock);
        lane = IdleLane();
    }
    lane->Pending = std::move(work);
    lane->PendingFinish = finish ? std::move(finish) : Finish([] {});
    ++Busy;
    Changed.notify_all();
    return true;
}

void VelCopyLanes::Drain() {
    std::unique_lock<std::mutex> lock(Lock);
    for (;;) {
        FinishEnded(lock);
        if (Busy == 0 && Ended.empty()) return;
        Changed.wait(lock, [&] { return !Ended.empty() || Busy == 0; });
    }
}
