#pragma once
// Work done beside the walk (/MT): up to a number of lanes, each a thread with a
// source and a destination device of its own (siblings of the run's devices),
// each doing one thing at a time: copying a file, or listing a folder the walk
// is about to enter.
//
// Lanes are opened as work comes, and each opens its devices (for an FTP server,
// a connection and a login) on its own thread, so that the walk never waits for
// a login. A device that cannot make another sibling (a server that takes no
// more connections) leaves the lanes already open; when not even one lane could
// be opened, Dispatch refuses and the walk copies by itself.
//
// Copies: the walk hands one over with Dispatch. Lanes take them in the order
// handed over. Once a lane is open, a few copies (one per lane allowed) may wait
// for a lane, so that the walk goes on while the lanes are busy and a lane that
// ends a copy takes the next one at once, without waiting for the walk; before
// that, Dispatch waits until a lane takes the copy. Its Work runs on the lane
// with the lane's devices; its Finish runs on the walk's thread, within a later
// Dispatch or Drain, so that everything the walk keeps (statistics, reports,
// queues) is touched by the walk's thread only.
//
// Listings ahead: the walk names the folders it will enter next (ListAhead) and
// asks for each one's listing when it gets there (TakeListing). A lane lists them
// when no copy is waiting (the walk can list for itself, but only a lane can
// make a copy handed over), those next in the walk's order first. A listing is
// handed back only when it is flawless: complete, and its device had nothing to
// report. Anything else (a failure, a reconnect, a listing cut short), and a
// listing not yet begun, is left to the walk, which then lists the folder on its
// own device, with its own reports and recovery. Only the sides whose device
// gains from it (GainsFromListingAhead) are listed ahead.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "storage/StorageDevice.h"

class VelCopyLanes {
public:
    using Work = std::function<void(VelStorageDevice& source, VelStorageDevice& destination)>;
    using Finish = std::function<void()>;
    enum class Side { Source, Destination };

    // The lanes' devices report to `output` (which several threads may use at once).
    VelCopyLanes(VelStorageDevice& source, VelStorageDevice& destination, uint32_t lanes,
                 VelSyncBaseOutput& output);
    // Waits for the copies in flight (their Finish is not run) and ends the lanes.
    ~VelCopyLanes();
    VelCopyLanes(const VelCopyLanes&) = delete;
    VelCopyLanes& operator=(const VelCopyLanes&) = delete;

    // Hands a copy to the lanes, opening one when none is free for it and fewer
    // are open than allowed, and waits until a lane has taken it or it is among
    // the few allowed to wait; the copies that ended meanwhile are finished
    // first. false when no lane can be opened at all.
    bool Dispatch(Work work, Finish finish);
    // Waits until every copy handed over has ended, and finishes each; and until
    // no lane is being opened, so that Opened and Refused are final.
    void Drain();
    // How many lanes could be opened, and whether a device refused one more
    // (true only once no lane is being opened).
    uint32_t Opened();
    bool Refused();

    bool ListsAhead(Side side) const;
    // The folders the walk will enter next, in its order: they are listed before
    // those named earlier (the walk enters the folders of the one it entered
    // last first). Sides that are not listed ahead are left out.
    void ListAhead(const std::vector<std::pair<Side, std::string>>& folders);
    // The flawless listing of `folder`, made ahead; null when there is none (not
    // named, not begun yet, or not flawless). Waits for one being made. Whatever
    // was named before it and not taken is dropped: the walk has passed it.
    std::unique_ptr<VelDirectoryList> TakeListing(Side side, const std::string& folder);

private:
    class LaneOutput;
    struct Lane {
        std::unique_ptr<LaneOutput> Output;  // outlives the devices that report to it
        VelStorageDevice::SiblingOpener OpenSource;
        VelStorageDevice::SiblingOpener OpenDestination;
        std::unique_ptr<VelStorageDevice> Source;
        std::unique_ptr<VelStorageDevice> Destination;
        std::thread Thread;
    };
    struct Copy {
        Work Do;
        Finish Then;
    };
    enum class ListingState { Queued, Running, Done, Abandoned };
    struct Listing {
        Side On;
        std::string Folder;
        ListingState State = ListingState::Queued;
        std::unique_ptr<VelDirectoryList> List;
        bool Flawless = false;
    };

    // Opens one more lane unless every lane allowed is open or a device refused
    // one. Walk's thread, under the lock.
    void StartLane();
    void Serve(Lane& lane);
    bool OpenDevices(Lane& lane);
    void RunListing(Lane& lane, Listing& job, std::unique_lock<std::mutex>& lock);
    void RunCopy(Lane& lane, std::unique_lock<std::mutex>& lock);
    // The first listing not begun among the next few of the walk's order.
    Listing* NextListing();
    size_t QueuedListings() const;
    // Runs the Finish of every copy that has ended (walk's thread).
    void FinishEnded(std::unique_lock<std::mutex>& lock);
    bool CanServe() const { return Live > 0 || Opening > 0; }
    // Copies may wait for a lane only once one is open: until then the walk may
    // still have to make the copy itself.
    size_t WaitingCopiesAllowed() const { return Live > 0 ? MaxLanes : 0; }

    VelStorageDevice& Source;
    VelStorageDevice& Destination;
    const uint32_t MaxLanes;
    VelSyncBaseOutput& Output;
    const bool ListsSourceAhead;
    const bool ListsDestinationAhead;
    std::vector<std::unique_ptr<Lane>> Lanes;
    std::mutex Lock;
    std::condition_variable Changed;      // the walk waits on it
    std::condition_variable WorkArrived;  // idle lanes wait on it
    std::deque<Copy> Copies;     // handed over, not yet taken by a lane
    std::deque<Finish> Ended;    // copies that ended, to be finished by the walk
    std::list<Listing> Listings;  // in the walk's order
    int Busy = 0;                 // copies handed over and not yet ended
    uint32_t Live = 0;            // lanes open
    uint32_t Opening = 0;         // lanes opening their devices
    uint32_t Idle = 0;            // open lanes waiting for work
    bool RefusedMore = false;
    bool Stopping = false;
};
