#pragma once
// Shared pieces of the FTP client's integration tests: a session with a recording
// status callback, and helpers to connect and read the thread's last response.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "internet/InternetClient.h"
#include "platform/LastError.h"

struct StatusEvent {
    platform::InternetHandle Handle;
    uintptr_t Context;
    uint32_t Status;
    platform::InternetHandle Carried;  // the handle of HandleCreated / HandleClosing
};

class StatusRecorder {
public:
    platform::InternetStatusCallback Callback() {
        return [this](platform::InternetHandle handle, uintptr_t context, uint32_t status,
                      const void* info, uint32_t length) {
            platform::InternetHandle carried = 0;
            if (status == platform::InternetStatus::HandleCreated && info &&
                length >= sizeof(platform::InternetAsyncResult))
                carried = static_cast<const platform::InternetAsyncResult*>(info)->Result;
            if (status == platform::InternetStatus::HandleClosing && info &&
                length >= sizeof(platform::InternetHandle))
                carried = *static_cast<const platform::InternetHandle*>(info);
            std::lock_guard<std::mutex> guard(Lock);
            Events.push_back({handle, context, status, carried});
        };
    }
    std::vector<StatusEvent> Take() {
        std::lock_guard<std::mutex> guard(Lock);
        std::vector<StatusEvent> taken;
        taken.swap(Events);
        return taken;
    }
    std::vector<uint32_t> TakeCodes() {
        std::vector<uint32_t> codes;
        for (const StatusEvent& event : Take()) codes.push_back(event.Status);
        return codes;
    }

private:
    std::mutex Lock;
    std::vector<StatusEvent> Events;
};

class FtpClientFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Session = platform::InternetOpen("VelCopyTest");
        ASSERT_NE(Session, platform::NoInternetHandle);
        ASSERT_TRUE(platform::InternetSetStatusCallback(Session, Recorder.Callback()));
    }
    void TearDown() override {
        for (platform::InternetHandle handle : Open) platform::InternetCloseHandle(handle);
        platform::InternetCloseHandle(Session);
    }

    // A connection closed at the end of the test, or none (with the last error set).
    platform::InternetHandle Connect(uint16_t port, const std::string& user,
                                     const std::string& password, bool passive,
                                     uintptr_t context = 0) {
        platform::InternetHandle connection =
            platform::InternetConnect(Session, "127.0.0.1", port, user, password,
                                      passive ? platform::InternetFlagPassive : 0, context);
        if (connection != platform::NoInternetHandle) Open.push_back(connection);
        return connection;
    }

    static std::string LastResponse() {
        uint32_t error = 0;
        std::string text;
        platform::InternetGetLastResponseInfo(error, text);
        return text;
    }

    // Every entry the working directory lists, by name.
    std::vector<platform::FindData> ListAll(platform::InternetHandle connection,
                                            const std::string& mask = "") {
        std::vector<platform::FindData> entries;
        platform::FindData entry;
        platform::InternetHandle find = platform::FtpFindFirstFile(connection, mask, entry, 0, 3);
        if (find == platform::NoInternetHandle) return entries;
        do entries.push_back(entry);
        while (platform::InternetFindNextFile(find, entry));
        EXPECT_EQ(platform::GetLastErrorCode(), 18u);
        platform::InternetCloseHandle(find);
        return entries;
    }

    static std::vector<std::string> Names(const std::vector<platform::FindData>& entries) {
        std::vector<std::string> names;
        for (const platform::FindData& entry : entries) names.push_back(entry.Name);
        return names;
    }

    platform::InternetHandle Session = platform::NoInternetHandle;
    StatusRecorder Recorder;
    std::vector<platform::InternetHandle> Open;
};
