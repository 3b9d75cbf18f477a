#pragma once
// Internal to the FTP device: marks one call of the engine, so that the
// repetitions it causes can be counted. The device's own nested calls (a listing
// made by a delete, an operation repeating itself) run inside the outer scope
// and share its count.

#include "ftp/FtpStorage.h"

class EngineCallScope {
public:
    explicit EngineCallScope(FtpStorageDevice& device) : Device(device) {
        if (Device.CallDepth++ != 0) return;
        Device.Repeats = 0;
        Device.RefusalReply.clear();
    }
    ~EngineCallScope() { --Device.CallDepth; }
    EngineCallScope(const EngineCallScope&) = delete;
    EngineCallScope& operator=(const EngineCallScope&) = delete;

private:
    FtpStorageDevice& Device;
};

// The context values the device gives the client's calls, so that reports can
// be told apart.
namespace FtpContext {
constexpr uintptr_t ActiveConnection = 0;
constexpr uintptr_t PassiveConnection = 1;
constexpr uintptr_t Upload = 2;
constexpr uintptr_t Listing = 3;
constexpr uintptr_t Download = 4;
}  // namespace FtpContext
