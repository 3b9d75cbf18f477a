#pragma once
// The watchdog of an FTP device: one thread for each device, that closes the
// device's connection whose blocking call has shown no progress for a number of
// seconds. The client's status callback restarts the count whenever a call
// shows progress (a request sent, a reply or data received); when the count runs
// out while a call is watched, the watchdog closes the call's request handle and
// the connection from outside, which makes the blocked call return with an
// error. The device then reads TimedOut to tell such a cut-off from an ordinary
// failure.
//
// Threads: Watch, Unwatch and TimedOut are called by the thread that uses the
// device; the status callback runs on whichever thread the client reports from
// (that thread,
// a connection attempt's thread, or the watchdog thread itself while it closes
// handles). Lock guards the count and the time-out flag and is re-entrant, so the
// reports that a close makes on the watchdog thread can take it again.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "internet/InternetClient.h"

class THandleTimeout {
public:
    // Starts the thread; the count starts at seconds.
    explicit THandleTimeout(int seconds);
    // Stop.
    ~THandleTimeout();
    THandleTimeout(const THandleTimeout&) = delete;
    THandleTimeout& operator=(const THandleTimeout&) = delete;

    void SetSeconds(int seconds) { WatchdogSeconds = seconds; }
    // Ends the thread within moments and waits for it; nothing is closed after.
    void Stop();

    // Before a blocking call on handle: restarts a count in progress and arms
    // the watchdog for handle. The count itself starts with the call's first
    // progress report when no handle was recorded before.
    void Watch(platform::InternetHandle handle);
    // After the call: expiry closes nothing any more (the count may go on).
    void Unwatch();
    // Only when a handle is recorded: the count starts again, and TimedOut is
    // cleared. A call that then stays silent is cut off between the number of
    // seconds and one second more.
    void RestartCountdown();
    // Stops the count, clears TimedOut, and forgets the request handle.
    void ClearCountdown();
    // The watchdog closed the watched handle since the count was last started or
    // cleared.
    bool TimedOut();

    // What a status report of the client about handle means to the watchdog.
    // Only reports about the watched connection or its request handle count.
    void OnStatus(platform::InternetHandle handle, uint32_t status, const void* info,
                  uint32_t infoLength);

private:
    void Run();
    void Tick();
    void Expire();

    std::recursive_mutex Lock;
    int Remaining = 0;
    bool TimedOutFlag = false;
    std::atomic<platform::InternetHandle> WatchedHandle{platform::NoInternetHandle};
    std::atomic<platform::InternetHandle> RequestHandle{platform::NoInternetHandle};
    std::atomic<bool> Armed{false};
    std::atomic<int> WatchdogSeconds;

    std::mutex StopLock;
    std::condition_variable StopSignal;
    bool StopRequested = false;
    std::thread Thread;
};

// Watches a handle for the life of the object.
class WatchScope {
public:
    WatchScope(THandleTimeout& watchdog, platform::InternetHandle handle) : Watchdog(watchdog) {
        Watchdog.Watch(handle);
    }
    ~WatchScope() { Watchdog.Unwatch(); }
    WatchScope(const WatchScope&) = delete;
    WatchScope& operator=(const WatchScope&) = delete;

private:
    THandleTimeout& Watchdog;
};
