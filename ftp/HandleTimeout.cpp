#include "ftp/HandleTimeout.h"

#include <chrono>

using platform::InternetHandle;
using platform::NoInternetHandle;
namespace InternetStatus = platform::InternetStatus;

THandleTimeout::THandleTimeout(int seconds) : WatchdogSeconds(seconds) {
    ClearCountdown();
    Thread = std::thread([this] { Run(); });
}

THandleTimeout::~THandleTimeout() {
    Stop();
}

void THandleTimeout::Stop() {
    {
        std::lock_guard<std::mutex> guard(StopLock);
        StopRequested = true;
    }
    StopSignal.notify_all();
    if (!Thread.joinable()) return;
    if (Thread.get_id() == std::this_thread::get_id()) {
        Thread.detach();  // a report made by the thread itself held the last reference
    } else {
        Thread.join();
    }
}

void THandleTimeout::Watch(InternetHandle handle) {
    RestartCountdown();
    WatchedHandle = handle;
    Armed = true;
}

void THandleTimeout::Unwatch() {
    Armed = false;
}

void THandleTimeout::RestartCountdown() {
    if (WatchedHandle == NoInternetHandle) return;
    std::lock_guard<std::recursive_mutex> guard(Lock);
    // The first tick comes within a second: one more tick makes a call that stays
    // silent for the whole number of seconds, and never less, the one cut off.
    Remaining = WatchdogSeconds + 1;
    TimedOutFlag = false;
}

void THandleTimeout::ClearCountdown() {
    {
        std::lock_guard<std::recursive_mutex> guard(Lock);
        Remaining = 0;
        TimedOutFlag = false;
    }
    RequestHandle = NoInternetHandle;
}

bool THandleTimeout::TimedOut() {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return TimedOutFlag;
}

void THandleTimeout::Run() {
    std::unique_lock<std::mutex> stop(StopLock);
    for (;;) {
        // One tick a second; a stop request ends the wait at once.
        if (StopSignal.wait_for(stop, std::chrono::seconds(1), [this] { return StopRequested; }))
            return;
        stop.unlock();
        Tick();
        stop.lock();
    }
}

void THandleTimeout::Tick() {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (Remaining <= 0) return;
    if (--Remaining == 0) Expire();
}

void THandleTimeout::Expire() {
    InternetHandle watched = WatchedHandle;
    if (watched == NoInternetHandle || !Armed) return;
    // Forgotten before anything closes: from here on the call's reports count no
    // more (see OnStatus).
    WatchedHandle = NoInternetHandle;
    InternetHandle request = RequestHandle.exchange(NoInternetHandle);
    if (request != NoInternetHandle) platform::InternetCloseHandle(request);
    platform::InternetCloseHandle(watched);
    // The closes have reported themselves (clearing the count) by now.
    TimedOutFlag = true;
}

void THandleTimeout::OnStatus(InternetHandle handle, uint32_t status, const void* info,
                              uint32_t infoLength) {
    // Only the watched call counts. The blocked call wakes as soon as the first
    // handle closes and unwinds on its own thread: what it then reports about
    // the dead connection must not clear the time-out it is about to be asked
    // for. Nor may a connection attempt given up earlier, still ending on its own
    // thread, keep a stalled call alive.
    // The lock makes the test and the step one with respect to expiry.
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (handle != WatchedHandle && handle != RequestHandle) return;
    switch (status) {
        case InternetStatus::SendingRequest:
        case InternetStatus::RequestSent:
        case InternetStatus::ReceivingResponse:
        case InternetStatus::ResponseReceived:
        case InternetStatus::IntermediateResponse:
        case 200:  // state change
            RestartCountdown();
            break;
        case InternetStatus::ClosingConnection:
        case InternetStatus::ConnectionClosed:
        case InternetStatus::RequestComplete:
            ClearCountdown();
            break;
        case InternetStatus::HandleCreated:
            if (RequestHandle == NoInternetHandle && info != nullptr &&
                infoLength >= sizeof(platform::InternetAsyncResult))
                RequestHandle = static_cast<const platform::InternetAsyncResult*>(info)->Result;
            break;
        case InternetStatus::HandleClosing:
            ClearCountdown();  // which also forgets the request handle
            break;
        default:
            break;
    }
}
