#include "sync/CopyLanes.h"

#include <algorithm>

#include "common/ErrorCodes.h"

namespace {

// How many listings ahead lanes may make before the walk takes them, per lane:
// enough to keep every lane busy, little enough that the listings held stay few.
constexpr size_t ListingsAheadPerLane = 2;

}  // namespace

// Where a lane's devices report: the run's output, except while the lane lists
// ahead, when a report only marks the listing as not flawless (the walk lists
// that folder again itself and reports what it meets).
class VelCopyLanes::LaneOutput : public VelSyncBaseOutput {
public:
    explicit LaneOutput(VelSyncBaseOutput& inner) : Inner(inner) {}
    void Hold() {
        Holding = true;
        Said = false;
    }
    // Ends Hold; true when something was reported meanwhile.
    bool Release() {
        Holding = false;
        return Said;
    }
    void ShowProgress(const SyncStatistics& stats) override {
        if (!Holding) Inner.ShowProgress(stats);
    }
    void Finish(const SyncStatistics&) override {}
    void Report(const SyncStatistics& stats, MessageClass cls,
                const VelMessageText& text) override {
        if (Holding)
            Said = true;
        else
            Inner.Report(stats, cls, text);
    }
    void Message(MessageClass cls, const VelMessageText& text) override {
        if (Holding)
            Said = true;
        else
            Inner.Message(cls, text);
    }
    bool Accepts(MessageClass cls) override { return Holding || Inner.Accepts(cls); }

private:
    VelSyncBaseOutput& Inner;
    bool Holding = false;
    bool Said = false;
};

VelCopyLanes::VelCopyLanes(VelStorageDevice& source, VelStorageDevice& destination, uint32_t lanes,
                           VelSyncBaseOutput& output)
    : Source(source),
      Destination(destination),
      MaxLanes(lanes),
      Output(output),
      ListsSourceAhead(source.GainsFromListingAhead()),
      ListsDestinationAhead(destination.GainsFromListingAhead()) {}

VelCopyLanes::~VelCopyLanes() {
    {
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait(lock, [&] { return Busy == 0; });
        Stopping = true;
    }
    WorkArrived.notify_all();
    for (auto& lane : Lanes) lane->Thread.join();
}

void VelCopyLanes::StartLane() {
    if (RefusedMore || Lanes.size() >= MaxLanes) return;
    auto lane = std::make_unique<Lane>();
    lane->Output = std::make_unique<LaneOutput>(Output);
    lane->OpenSource = Source.SiblingsReportingTo(lane->Output.get());
    lane->OpenDestination = Destination.SiblingsReportingTo(lane->Output.get());
    if (!lane->OpenSource || !lane->OpenDestination) {
        RefusedMore = true;
        return;
    }
    Lane& started = *lane;
    Lanes.push_back(std::move(lane));
    ++Opening;
    started.Thread = std::thread([this, &started] { Serve(started); });
}

bool VelCopyLanes::OpenDevices(Lane& lane) {
    lane.Source = lane.OpenSource();
    if (lane.Source) lane.Destination = lane.OpenDestination();
    return lane.Source && lane.Destination;
}

void VelCopyLanes::Serve(Lane& lane) {
    const bool opened = OpenDevices(lane);
    std::unique_lock<std::mutex> lock(Lock);
    --Opening;
    if (!opened) {
        RefusedMore = true;
        Changed.notify_all();
        return;
    }
    ++Live;
    for (;;) {
        ++Idle;
        Changed.notify_all();
        WorkArrived.wait(lock, [&] { return Stopping || NextListing() || !Copies.empty(); });
        --Idle;
        if (Stopping) return;
        if (!Copies.empty())
            RunCopy(lane, lock);
        else
            RunListing(lane, *NextListing(), lock);
    }
}

void VelCopyLanes::RunListing(Lane& lane, Listing& job, std::unique_lock<std::mutex>& lock) {
    job.State = ListingState::Running;
    VelStorageDevice& device = job.On == Side::Source ? *lane.Source : *lane.Destination;
    const std::string folder = job.Folder;
    lock.unlock();
    lane.Output->Hold();
    std::unique_ptr<VelDirectoryList> list = device.ListFolder(folder, "", false);
    const uint32_t code = device.LastErrorCode();
    const bool said = lane.Output->Release();
    const bool flawless = !said && !list->HasEntriesLeftOut() &&
                          (code == ErrorCode::NoMoreFiles || code == ErrorCode::Success);
    lock.lock();
    if (job.State == ListingState::Abandoned) {
        Listings.remove_if([&](const Listing& listing) { return &listing == &job; });
        return;
    }
    job.List = std::move(list);
    job.Flawless = flawless;
    job.State = ListingState::Done;
}

void VelCopyLanes::RunCopy(Lane& lane, std::unique_lock<std::mutex>& lock) {
    Copy copy = std::move(Copies.front());
    Copies.pop_front();
    Changed.notify_all();
    lock.unlock();
    copy.Do(*lane.Source, *lane.Destination);
    lock.lock();
    Ended.push_back(std::move(copy.Then));
    --Busy;
}

VelCopyLanes::Listing* VelCopyLanes::NextListing() {
    size_t ahead = 0;
    for (Listing& listing : Listings) {
        if (listing.State == ListingState::Abandoned) continue;
        if (++ahead > ListingsAheadPerLane * MaxLanes) return nullptr;
        if (listing.State == ListingState::Queued) return &listing;
    }
    return nullptr;
}

size_t VelCopyLanes::QueuedListings() const {
    return size_t(std::count_if(Listings.begin(), Listings.end(), [](const Listing& listing) {
        return listing.State == ListingState::Queued;
    }));
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
    if (Idle <= Copies.size()) StartLane();
    if (!CanServe()) return false;
    Copies.push_back(Copy{std::move(work), finish ? std::move(finish) : Finish([] {})});
    ++Busy;
    // One lane is enough for one copy; a listing to be made wakes the others too.
    if (NextListing())
        WorkArrived.notify_all();
    else
        WorkArrived.notify_one();
    for (;;) {
        Changed.wait(lock, [&] {
            return !Ended.empty() || Copies.size() <= WaitingCopiesAllowed() || !CanServe();
        });
        FinishEnded(lock);
        if (Copies.size() <= WaitingCopiesAllowed()) return true;
        if (!CanServe()) {
            // Every lane failed to open: the walk makes this copy itself.
            Copies.clear();
            --Busy;
            return false;
        }
    }
}

void VelCopyLanes::Drain() {
    std::unique_lock<std::mutex> lock(Lock);
    for (;;) {
        FinishEnded(lock);
        if (Busy == 0 && Ended.empty() && Opening == 0) return;
        Changed.wait(lock, [&] { return !Ended.empty() || (Busy == 0 && Opening == 0); });
    }
}

uint32_t VelCopyLanes::Opened() {
    std::lock_guard<std::mutex> lock(Lock);
    return Live;
}

bool VelCopyLanes::Refused() {
    std::lock_guard<std::mutex> lock(Lock);
    return RefusedMore && Opening == 0;
}

bool VelCopyLanes::ListsAhead(Side side) const {
    return side == Side::Source ? ListsSourceAhead : ListsDestinationAhead;
}

void VelCopyLanes::ListAhead(const std::vector<std::pair<Side, std::string>>& folders) {
    std::unique_lock<std::mutex> lock(Lock);
    auto at = Listings.begin();
    for (const auto& [side, folder] : folders)
        if (ListsAhead(side))
            Listings.insert(at, Listing{side, folder, ListingState::Queued, nullptr, false});
    // As many lanes as there are listings to make, within the limit.
    for (size_t wanted = std::min(QueuedListings(), ListingsAheadPerLane * MaxLanes);
         Idle + Opening < wanted && !RefusedMore && Lanes.size() < MaxLanes;)
        StartLane();
    WorkArrived.notify_all();
}

std::unique_ptr<VelDirectoryList> VelCopyLanes::TakeListing(Side side, const std::string& folder) {
    std::unique_lock<std::mutex> lock(Lock);
    auto found = std::find_if(Listings.begin(), Listings.end(), [&](const Listing& listing) {
        return listing.State != ListingState::Abandoned && listing.On == side &&
               listing.Folder == folder;
    });
    if (found == Listings.end()) return nullptr;
    for (auto passed = Listings.begin(); passed != found;) {
        if (passed->State == ListingState::Running) {
            passed->State = ListingState::Abandoned;  // its lane drops it
            ++passed;
        } else if (passed->State == ListingState::Abandoned) {
            ++passed;
        } else {
            passed = Listings.erase(passed);
        }
    }
    Changed.wait(lock, [&] { return found->State != ListingState::Running; });
    std::unique_ptr<VelDirectoryList> list;
    if (found->State == ListingState::Done && found->Flawless) list = std::move(found->List);
    Listings.erase(found);
    WorkArrived.notify_all();  // listings further on may now be made ahead
    return list;
}
