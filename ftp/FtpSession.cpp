#include "ftp/FtpSession.h"

TFtpPersistentInformation::TFtpPersistentInformation(std::string agent,
                                                     platform::InternetStatusCallback callback,
                                                     uint32_t connectTimeoutMs)
    : Agent(std::move(agent)), Callback(std::move(callback)), ConnectTimeoutMs(connectTimeoutMs) {
    OpenSession();
}

TFtpPersistentInformation::~TFtpPersistentInformation() {
    CloseSession();
}

void TFtpPersistentInformation::OpenSession() {
    if (SessionHandle != platform::NoInternetHandle) return;
    SessionHandle = platform::InternetOpen(Agent);
    if (SessionHandle == platform::NoInternetHandle) return;
    if (Callback) platform::InternetSetStatusCallback(SessionHandle, Callback);
    platform::InternetSetOption(SessionHandle, platform::InternetOption::ConnectTimeout,
                                ConnectTimeoutMs);
}

void TFtpPersistentInformation::CloseSession() {
    if (SessionHandle == platform::NoInternetHandle) return;
    platform::InternetCloseHandle(SessionHandle);
    SessionHandle = platform::NoInternetHandle;
}

bool TFtpPersistentInformation::IsConnected() {
    return platform::InternetGetConnectedState(StateFlags, ConnectionName);
}

void TFtpPersistentInformation::RemoveCallback() {
    Callback = nullptr;
    if (SessionHandle != platform::NoInternetHandle)
        platform::InternetSetStatusCallback(SessionHandle, nullptr);
}
