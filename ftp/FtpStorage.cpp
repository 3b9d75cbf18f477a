// The FTP device's life (construction, destruction) and its simple answers.

#include "ftp/FtpStorage.h"

#include "ftp/EngineCallScope.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpLocation.h"
#include "platform/FileCopy.h"
#include "platform/PrivateFolder.h"

namespace {

// The client's session is named after the program.
const char* const AgentName = "VelCopy";

// Repetitions of one call of the engine, whatever the retry states would allow:
// a server that fails every command recoverably (or stalls on it) costs a bounded
// time per call instead of holding the run for ever.
constexpr int MaxRepeatsPerCall = 2;

}  // namespace

FtpStorageDevice::FtpStorageDevice(VelSyncBaseOutput& output, int connectTimeoutSeconds,
                                   int watchdogTimeoutSeconds)
    : ConnectTimeout(connectTimeoutSeconds),
      WatchdogTimeout(watchdogTimeoutSeconds),
      Output(output),
      Watchdog(std::make_shared<THandleTimeout>(watchdogTimeoutSeconds)) {
    const uint32_t connectMs =
        connectTimeoutSeconds > 0 ? uint32_t(connectTimeoutSeconds) * 1000u : 0u;
    // Each device has a watchdog of its own, so that devices working side by side
    // (OpenSibling) are each cut off by their own stalls only.
    std::weak_ptr<THandleTimeout> watchdog = Watchdog;
    auto callback = [watchdog](platform::InternetHandle handle, uintptr_t, uint32_t status,
                               const void* info, uint32_t infoLength) {
        if (std::shared_ptr<THandleTimeout> alive = watchdog.lock())
            alive->OnStatus(handle, status, info, infoLength);
    };
    Session = std::make_unique<TFtpPersistentInformation>(AgentName, callback, connectMs);
}

std::unique_ptr<VelStorageDevice> FtpStorageDevice::OpenSibling() {
    if (Connection == platform::NoInternetHandle) return nullptr;
    auto sibling = std::make_unique<FtpStorageDevice>(Output, ConnectTimeout, WatchdogTimeout);
    sibling->Options = Options;
    sibling->Trust = Trust;
    // A server that takes no more connections ends the attempt without a word: the
    // run goes on with the connections it has.
    sibling->Quiet = true;
    if (!sibling->Connect(ConnectedLocation, UserName, Password, "")) return nullptr;
    sibling->Quiet = false;
    return sibling;
}

FtpStorageDevice::~FtpStorageDevice() {
    Session->RemoveCallback();
    if (Connection != platform::NoInternetHandle)
        platform::InternetSetStatusCallback(Connection, nullptr);
    Watchdog->Stop();
    Watchdog.reset();
    Session.reset();
    if (Connection != platform::NoInternetHandle) platform::InternetCloseHandle(Connection);
    if (!PrivateFolder.empty()) platform::RemoveFolderTree(PrivateFolder);
}

bool FtpStorageDevice::MayRepeat() {
    if (Repeats >= MaxRepeatsPerCall) return false;
    ++Repeats;
    return true;
}

NameCase FtpStorageDevice::NameCaseMode() {
    return NameCase::ServerRules;
}

bool FtpStorageDevice::SupportsTextMode() {
    return true;
}

bool FtpStorageDevice::LocalCopyKeepsDate() {
    return false;
}

bool FtpStorageDevice::SupportsChmod() {
    return ChmodKnown ? ChmodSupported : true;
}

bool FtpStorageDevice::FolderExists(const std::string& path) {
    EngineCallScope scope(*this);
    return ChangeDir(path, true);
}

uint32_t FtpStorageDevice::LastErrorCode() {
    return LastError;
}

std::string FtpStorageDevice::LastErrorText() {
    return DescribeFtpError(LastError, RefusalReply.empty() ? LastResponse() : RefusalReply);
}

bool FtpStorageDevice::AcceptsName(const std::string& name) {
    return IsPlainName(name) && name.find_first_of("\r\n") == std::string::npos;
}

bool FtpStorageDevice::EntersFolderLinks() {
    return false;
}

bool FtpStorageDevice::IsTemporaryName(const std::string& name) {
    return platform::IsCopyTemporaryName(name);
}
