#include "ftp/ConnectThread.h"

#include <chrono>
#include <thread>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"

std::shared_ptr<InternetConnectThread> InternetConnectThread::Start(Arguments arguments) {
    std::shared_ptr<InternetConnectThread> attempt(new InternetConnectThread(std::move(arguments)));
    // The thread holds the attempt until it ends, so an abandoned attempt frees itself.
    std::thread([attempt] { attempt->Run(); }).detach();
    return attempt;
}

void InternetConnectThread::Run() {
    platform::InternetHandle handle = platform::InternetConnect(
        Call.Session, Call.Host, Call.Port, Call.UserName, Call.Password, Call.Flags, Call.Context,
        Call.Security);
    const uint32_t error = handle == platform::NoInternetHandle ? platform::GetLastErrorCode() : 0;
    uint32_t replyCode = 0;
    std::string response;
    if (!platform::InternetGetLastResponseInfo(replyCode, response)) response.clear();
    // This thread is never joined: it lets go of the client's per-thread state
    // before the hand-over, so that nothing of it runs while the program ends.
    platform::InternetThreadDone();
    bool abandoned = false;
    {
        std::lock_guard<std::mutex> guard(Lock);
        Finished = true;
        abandoned = Abandoned;
        if (!abandoned) {
            Result = handle;
            ResultError = error;
            ResultResponse = std::move(response);
        }
        Ended.notify_all();
    }
    if (abandoned && handle != platform::NoInternetHandle) {
        platform::InternetCloseHandle(handle);
        platform::InternetThreadDone();
    }
}

bool InternetConnectThread::WaitFor(uint32_t milliseconds) {
    std::unique_lock<std::mutex> guard(Lock);
    return Ended.wait_for(guard, std::chrono::milliseconds(milliseconds),
                          [this] { return Finished; });
}

bool InternetConnectThread::Abandon() {
    std::lock_guard<std::mutex> guard(Lock);
    if (Finished) return false;
    Abandoned = true;
    return true;
}

platform::InternetHandle InternetConnectThread::Handle() {
    std::lock_guard<std::mutex> guard(Lock);
    return Result;
}

uint32_t InternetConnectThread::Error() {
    std::lock_guard<std::mutex> guard(Lock);
    return ResultError;
}

std::string InternetConnectThread::Response() {
    std::lock_guard<std::mutex> guard(Lock);
    return ResultResponse;
}

platform::InternetHandle ConnectWithTimeout(const InternetConnectThread::Arguments& arguments,
                                            int timeLimitSeconds, std::string& response) {
    std::shared_ptr<InternetConnectThread> attempt = InternetConnectThread::Start(arguments);
    response.clear();
    if (timeLimitSeconds <= 0) {
        while (!attempt->WaitFor(60000)) {
        }
    } else if (!attempt->WaitFor(uint32_t(timeLimitSeconds) * 1000u) && attempt->Abandon()) {
        platform::SetLastErrorCode(ErrorCode::InternetTimeout);
        return platform::NoInternetHandle;
    }
    response = attempt->Response();
    const platform::InternetHandle handle = attempt->Handle();
    if (handle == platform::NoInternetHandle) platform::SetLastErrorCode(attempt->Error());
    return handle;
}
