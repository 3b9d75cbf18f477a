// The watchdog on handles of the real client (sessions stand in for a connection
// and its request handle; closing them is what expiry does), with a one-second
// count so that each case takes a few seconds.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ftp/FtpSession.h"
#include "ftp/HandleTimeout.h"
#include "internet/InternetClient.h"
#include "tests/support/FtpServers.h"

namespace {

using platform::InternetHandle;
namespace Status = platform::InternetStatus;

bool IsOpen(InternetHandle handle) {
    uint32_t value = 0;
    return platform::InternetQueryOption(handle, platform::InternetOption::ConnectTimeout, value);
}

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class HandleTimeoutTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (InternetHandle handle : {Watched, FirstRequest, SecondRequest})
            platform::InternetCloseHandle(handle);
    }
    void Created(InternetHandle handle) {
        platform::InternetAsyncResult info{handle, 0};
        Watchdog.OnStatus(Watched, Status::HandleCreated, &info, sizeof info);
    }

    THandleTimeout Watchdog{1};
    InternetHandle Watched = platform::InternetOpen("test");
    InternetHandle FirstRequest = platform::InternetOpen("test");
    InternetHandle SecondRequest = platform::InternetOpen("test");
};

TEST_F(HandleTimeoutTest, SilenceClosesTheFirstRequestAndTheWatchedHandle) {
    Watchdog.Watch(Watched);
    Created(FirstRequest);
    Created(SecondRequest);  // a second request handle does not replace the first
    Watchdog.OnStatus(Watched, Status::RequestSent, nullptr, 0);
    Pause(3000);
    EXPECT_TRUE(Watchdog.TimedOut());
    EXPECT_FALSE(IsOpen(Watched));
    EXPECT_FALSE(IsOpen(FirstRequest));
    EXPECT_TRUE(IsOpen(SecondRequest));
    // The flag lasts until the count is started or cleared again.
    Watchdog.Unwatch();
    EXPECT_TRUE(Watchdog.TimedOut());
    Watchdog.ClearCountdown();
    EXPECT_FALSE(Watchdog.TimedOut());
}

TEST_F(HandleTimeoutTest, ProgressKeepsTheCallAlive) {
    Watchdog.Watch(Watched);
    for (int i = 0; i < 8; ++i) {
        Watchdog.OnStatus(Watched, i % 2 ? Status::ResponseReceived : Status::IntermediateResponse,
                          nullptr, 0);
        Pause(400);
    }
    EXPECT_FALSE(Watchdog.TimedOut());
    EXPECT_TRUE(IsOpen(Watched));
}

// Such as a connection attempt given up earlier that is still ending.
TEST_F(HandleTimeoutTest, ReportsAboutOtherHandlesDoNotCount) {
    Watchdog.Watch(Watched);
    Watchdog.OnStatus(Watched, Status::RequestSent, nullptr, 0);
    for (int i = 0; i < 8; ++i) {
        Watchdog.OnStatus(SecondRequest, Status::ResponseReceived, nullptr, 0);
        Pause(400);
    }
    EXPECT_FALSE(IsOpen(Watched));
    EXPECT_TRUE(Watchdog.TimedOut());
}

TEST_F(HandleTimeoutTest, NothingIsClosedOnceUnwatchedOrWhenCompleted) {
    Watchdog.Watch(Watched);
    Watchdog.OnStatus(Watched, Status::SendingRequest, nullptr, 0);
    Watchdog.Unwatch();  // the count goes on, but expiry closes nothing
    Pause(3000);
    EXPECT_TRUE(IsOpen(Watched));
    EXPECT_FALSE(Watchdog.TimedOut());

    Watchdog.Watch(Watched);
    Watchdog.OnStatus(Watched, Status::RequestComplete, nullptr, 0);  // stops the count
    Pause(3000);
    EXPECT_TRUE(IsOpen(Watched));
}

TEST_F(HandleTimeoutTest, TheFirstWatchWaitsForTheCallsFirstReport) {
    Watchdog.Watch(Watched);  // no handle was recorded before: no count yet
    Pause(3000);
    EXPECT_TRUE(IsOpen(Watched));
    Watchdog.OnStatus(Watched, Status::ReceivingResponse, nullptr, 0);
    Pause(3000);
    EXPECT_FALSE(IsOpen(Watched));
}

// A session opened again (after a failed connection attempt, or the probe) still
// reports progress, so that the watchdog does not cut off a long transfer made
// over a connection opened through it.
TEST(FtpSessionTest, ASessionOpenedAgainStillReports) {
    ScriptedFtpServer server("220 hello\r\n",
                             LoginThen([](ScriptedSession& session, const std::string&) {
                                 return session.Send("200 Okay.\r\n");
                             }));
    std::atomic<int> reports{0};
    TFtpPersistentInformation session(
        "test", [&](InternetHandle, uintptr_t, uint32_t, const void*, uint32_t) { ++reports; },
        5000);
    session.CloseSession();
    session.OpenSession();
    InternetHandle connection = platform::InternetConnect(session.SessionHandle, "127.0.0.1",
                                                          server.Port(), "u", "p", 0, 0);
    ASSERT_NE(connection, platform::NoInternetHandle);
    EXPECT_GT(reports.load(), 0);
    platform::InternetCloseHandle(connection);
}

}  // namespace
