#pragma once
// The FTP device's session with the Internet client: the session handle that
// every connection of the device is opened through, with the device's status
// callback and connection time limit on it.
//
// Main thread only. The object owns its handle: CloseSession and the destructor
// close it; connections opened through it live on (the device closes them).

#include <cstdint>
#include <string>

#include "internet/InternetClient.h"

class TFtpPersistentInformation {
public:
    // Opens the session at once.
    TFtpPersistentInformation(std::string agent, platform::InternetStatusCallback callback,
                              uint32_t connectTimeoutMs);
    ~TFtpPersistentInformation();
    TFtpPersistentInformation(const TFtpPersistentInformation&) = delete;
    TFtpPersistentInformation& operator=(const TFtpPersistentInformation&) = delete;

    // Opens a session when none is held. Every session it opens carries the
    // status callback and the connection time limit, also one opened again after
    // CloseSession, so that connections made later still report progress to the
    // watchdog.
    void OpenSession();
    void CloseSession();
    // The client reports a connection state; ConnectedStateFlags then holds it.
    bool IsConnected();
    uint32_t ConnectedStateFlags() const { return StateFlags; }
    // Takes the status callback off the session (errors ignored).
    void RemoveCallback();

    platform::InternetHandle SessionHandle = platform::NoInternetHandle;

private:
    std::string Agent;
    platform::InternetStatusCallback Callback;
    uint32_t ConnectTimeoutMs;
    uint32_t StateFlags = 0;
    std::string ConnectionName;
};
