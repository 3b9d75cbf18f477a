#pragma once
// A connection attempt with a time limit. The client's connect call cannot be
// interrupted, so it runs on a thread of its own (InternetConnectThread); the
// caller waits at most the time limit and then abandons the attempt. An abandoned
// attempt finishes on its own: a connection it still obtains is closed by its
// thread, which then frees the attempt. The hand-over of the handle and the
// abandonment exclude each other under the attempt's lock, so a connection is
// never both handed over and closed, nor lost.
//
// The client keeps its last error and the server's last reply per thread: the
// attempt reads both on its own thread as its call returns and hands them over
// with the handle, so that a failure can say what failed (a refused login, a
// refused connection, a name that does not resolve) and what the server said.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "internet/InternetClient.h"

class InternetConnectThread {
public:
    struct Arguments {
        platform::InternetHandle Session = platform::NoInternetHandle;
        std::string Host;
        uint16_t Port = 0;
        std::string UserName;
        std::string Password;
        uint32_t Flags = 0;
        uintptr_t Context = 0;
        platform::InternetSecuritySettings Security;
    };

    // Starts the attempt at once.
    static std::shared_ptr<InternetConnectThread> Start(Arguments arguments);

    // Waits until the attempt ended or milliseconds passed; true when it ended.
    bool WaitFor(uint32_t milliseconds);
    // Gives the attempt up unless it has ended meanwhile; true when given up.
    bool Abandon();
    // The connection of an attempt that ended (none when it failed).
    platform::InternetHandle Handle();
    // The client's error on the attempt's thread (0 after a connection), and
    // the server's last reply there, of an attempt that ended.
    uint32_t Error();
    std::string Response();

private:
    explicit InternetConnectThread(Arguments arguments) : Call(std::move(arguments)) {}
    void Run();

    const Arguments Call;
    std::mutex Lock;
    std::condition_variable Ended;
    bool Finished = false;
    bool Abandoned = false;
    platform::InternetHandle Result = platform::NoInternetHandle;
    uint32_t ResultError = 0;
    std::string ResultResponse;
};

// Connects (and logs in) within timeLimitSeconds. On time-out the result is none,
// the calling thread's last error is ErrorCode::InternetTimeout and response is
// empty. Otherwise the connection, or none with the attempt's error as the
// calling thread's last error; either way response is the server's last reply
// to the attempt (empty when it said nothing).
platform::InternetHandle ConnectWithTimeout(const InternetConnectThread::Arguments& arguments,
                                            int timeLimitSeconds, std::string& response);
