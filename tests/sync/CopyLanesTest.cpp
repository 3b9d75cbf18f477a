// Listings made ahead of the walk: handed back only when flawless, dropped once
// the walk has passed them, and made only for a side whose device gains by it.
// Copies: the walk goes on while a few wait for a busy lane, and every copy
// handed over is made, in the order handed over, and finished on the walk's thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/ErrorCodes.h"
#include "sync/CopyLanes.h"
#include "tests/support/MemoryStorageDevice.h"
#include "tests/support/RecordingOutput.h"

namespace {

using Side = VelCopyLanes::Side;

// A device over a far server: its siblings are copies of its tree, and a listing
// of a folder named "noisy" reports a warning, as a reconnect would.
class FarDevice : public MemoryStorageDevice {
public:
    bool Gains = true;
    VelSyncBaseOutput* ReportTo = nullptr;
    std::shared_ptr<std::atomic<int>> Listings = std::make_shared<std::atomic<int>>(0);

    SiblingOpener SiblingsReportingTo(VelSyncBaseOutput* output) override {
        auto snapshot = std::make_shared<const FarDevice>(*this);
        return [snapshot, output]() -> std::unique_ptr<VelStorageDevice> {
            auto sibling = std::make_unique<FarDevice>(*snapshot);
            sibling->ReportTo = output;
            return sibling;
        };
    }
    bool GainsFromListingAhead() override { return Gains; }
    std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder, const std::string& mask,
                                                 bool allowCached) override {
        auto list = MemoryStorageDevice::ListFolder(folder, mask, allowCached);
        if (folder.find("noisy") != std::string::npos && ReportTo != nullptr)
            ReportTo->Message(mcWarning, "Renegotiating connection");
        ++*Listings;
        return list;
    }
};

void WaitForListings(const FarDevice& device, int count) {
    for (int waited = 0; *device.Listings < count && waited < 1000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(*device.Listings, count);
}

TEST(CopyLanes, ListingsAheadAreHandedBackOnlyWhenFlawlessAndDroppedOncePassed) {
    FarDevice source, destination;
    source.Gains = false;
    for (const char* folder : {"/d/a", "/d/noisy", "/d/failing", "/d/passed", "/d/c"})
        destination.AddFile(std::string(folder) + "/f.txt", 40000, 4);
    destination.FailOn("ListFolder", "failing", ErrorCode::AccessDenied);
    RecordingOutput out;
    {
        VelCopyLanes lanes(source, destination, 2, out);
        EXPECT_FALSE(lanes.ListsAhead(Side::Source));
        lanes.ListAhead({{Side::Source, "/s/a"}, {Side::Destination, "/d/a"},
                         {Side::Destination, "/d/noisy"}, {Side::Destination, "/d/failing"},
                         {Side::Destination, "/d/passed"}, {Side::Destination, "/d/c"}});
        // Two lanes list two folders each ahead of the walk, no more.
        WaitForListings(destination, 4);
        std::unique_ptr<VelDirectoryList> a = lanes.TakeListing(Side::Destination, "/d/a");
        ASSERT_NE(a, nullptr);
        EXPECT_NE(a->FindByName("f.txt", true), nullptr);
        EXPECT_EQ(lanes.TakeListing(Side::Destination, "/d/noisy"), nullptr);
        EXPECT_EQ(lanes.TakeListing(Side::Destination, "/d/failing"), nullptr);
        WaitForListings(destination, 5);
        EXPECT_NE(lanes.TakeListing(Side::Destination, "/d/c"), nullptr);
        // Passed by the walk (it did not enter it): gone.
        EXPECT_EQ(lanes.TakeListing(Side::Destination, "/d/passed"), nullptr);
        EXPECT_EQ(lanes.TakeListing(Side::Source, "/s/a"), nullptr);
        EXPECT_EQ(lanes.TakeListing(Side::Destination, "/d/never"), nullptr);
    }
    // What the lanes met while listing ahead is the walk's to meet and report.
    EXPECT_TRUE(out.Messages.empty());
    EXPECT_EQ(*source.Listings, 0);
}

// A copy handed over while no lane can open (a server that takes no second
// connection) is refused, so that the walk makes it itself.
TEST(CopyLanes, ACopyNoLaneCanTakeIsRefused) {
    MemoryStorageDevice source, destination;  // they make no siblings
    RecordingOutput out;
    VelCopyLanes lanes(source, destination, 4, out);
    bool worked = false;
    EXPECT_FALSE(lanes.Dispatch([&](VelStorageDevice&, VelStorageDevice&) { worked = true; }, {}));
    lanes.Drain();
    EXPECT_FALSE(worked);
    EXPECT_EQ(lanes.Opened(), 0u);
    EXPECT_TRUE(lanes.Refused());
}

// One lane, held busy: the next copy may wait for it without holding the walk,
// the one after that holds it until the lane takes the waiting one. None is lost
// or reordered, and each is finished once, on the walk's thread.
TEST(CopyLanes, CopiesWaitForABusyLaneInTheirOrderAndAreAllFinished) {
    FarDevice source, destination;
    source.Gains = destination.Gains = false;
    RecordingOutput out;
    VelCopyLanes lanes(source, destination, 1, out);
    std::mutex lock;
    std::vector<int> made, finished;
    std::atomic<bool> release{false};
    const std::thread::id walk = std::this_thread::get_id();
    bool finishedOnWalk = true;
    auto dispatch = [&](int number) {
        return lanes.Dispatch(
            [&, number](VelStorageDevice&, VelStorageDevice&) {
                while (number == 0 && !release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::lock_guard<std::mutex> guard(lock);
                made.push_back(number);
            },
            [&, number] {
                finishedOnWalk = finishedOnWalk && std::this_thread::get_id() == walk;
                finished.push_back(number);
            });
    };
    ASSERT_TRUE(dispatch(0));  // taken by the lane, which it holds
    ASSERT_TRUE(dispatch(1));  // waits for the lane; the walk goes on
    std::thread unblock([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    ASSERT_TRUE(dispatch(2));  // the second waiting one: only once the lane moved on
    EXPECT_TRUE(release);
    for (int number = 3; number < 40; ++number) ASSERT_TRUE(dispatch(number));
    lanes.Drain();
    unblock.join();
    std::vector<int> inOrder;
    for (int number = 0; number < 40; ++number) inOrder.push_back(number);
    EXPECT_EQ(made, inOrder);
    EXPECT_EQ(finished, inOrder);
    EXPECT_TRUE(finishedOnWalk);
}

}  // namespace
