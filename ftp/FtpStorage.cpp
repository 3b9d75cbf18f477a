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

VelStorageDevice::SiblingOpener FtpStorageDevice::SiblingsReportingTo(VelSyncBaseOutput* output) {
    if (Connection == platform::NoInternetHandle) return {};
    // What this device has learnt of the server holds for its siblings as well:
    // what it offers (a sibling need not ask FEAT again, nor check once more on a
    // connection of its own whether it really takes TLS), the zone of its listing
    // times (a sibling that could not learn it would read them as UTC) and the
    // way it takes a file's time.
    struct Learnt {
        uint32_t Options;
        platform::CertificateTrust Trust;
        std::string Location, UserName, Password;
        bool FeaturesKnown;
        bool ListsByFacts;
        std::string MlstFactsToAsk;
        bool ZoneKnown;
        int ZoneOffsetMinutes;
        bool TimeWayLearnt;
        TimeSetting TimeWay;
    };
    const Learnt learnt{Options,           Trust,          ConnectedLocation,
                        UserName,          Password,       FeaturesKnown,
                        ListsByFacts,      MlstFactsToAsk, ZoneKnown,
                        ZoneOffsetMinutes, TimeWayLearnt,  TimeWay};
    VelSyncBaseOutput* reportTo = output != nullptr ? output : &Output;
    return [reportTo, learnt, connectTimeout = ConnectTimeout,
            watchdogTimeout = WatchdogTimeout]() -> std::unique_ptr<VelStorageDevice> {
        auto sibling =
            std::make_unique<FtpStorageDevice>(*reportTo, connectTimeout, watchdogTimeout);
        sibling->Options = learnt.Options;
        sibling->Trust = learnt.Trust;
        sibling->FeaturesKnown = learnt.FeaturesKnown;
        sibling->ListsByFacts = learnt.ListsByFacts;
        sibling->MlstFactsToAsk = learnt.MlstFactsToAsk;
        sibling->ZoneKnown = learnt.ZoneKnown;
        sibling->ZoneOffsetMinutes = learnt.ZoneOffsetMinutes;
        sibling->TimeWay = learnt.TimeWay;
        sibling->TimeWayLearnt = learnt.TimeWayLearnt;
        // A server that takes no more connections ends the attempt without a
        // word: the run goes on with the connections it has.
        sibling->Quiet = true;
        if (!sibling->Connect(learnt.Location, learnt.UserName, learnt.Password, ""))
            return nullptr;
        sibling->Quiet = false;
        return sibling;
    };
}

bool FtpStorageDevice::GainsFromListingAhead() {
    return true;
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
