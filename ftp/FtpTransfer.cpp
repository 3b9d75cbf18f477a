// Uploads and downloads, with the recovery a failed transfer goes through:
// making a refused remote file writable and storing again, retrying after a
// time-out or a broken connection, and changing the transfer mode.

#include "ftp/EngineCallScope.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpResponse.h"
#include "ftp/FtpStorage.h"
#include "platform/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/Paths.h"

namespace {

// The longest name a local file may have on common file systems.
constexpr size_t MaxLocalNameLength = 255;

}  // namespace

bool FtpStorageDevice::PutFile(const std::string& localPath, const std::string& folder,
                               const std::string& name, bool binary) {
    EngineCallScope scope(*this);
    std::string localFolder, localName;
    if (!SplitParent(localPath, localFolder, localName) || !IsPlainName(name)) {
        LastError = ErrorCode::InvalidName;
        return false;
    }
    if (!ChangeDir(folder)) return false;
    platform::SetLastErrorCode(0);
    Watchdog->Watch(Connection);
    const bool ok = platform::FtpPutFile(
        Connection, localPath, name,
        binary ? platform::FtpTransferTypeBinary : platform::FtpTransferTypeAscii,
        FtpContext::Upload);
    Watchdog->Unwatch();
    return ok || RetryFailedPut(localPath, folder, name);
}

bool FtpStorageDevice::RetryFailedPut(const std::string& localPath, const std::string& folder,
                                      const std::string& name) {
    // The reply to the store: the compensation's listing replaces the client's
    // last response, and the reports are about the store.
    const std::string response = LastResponse();
    // Every repetition stores in binary mode.
    if (platform::GetLastErrorCode() == ErrorCode::InternetExtendedError && !InCompensation) {
        bool result = false;
        if ((ResponseHasCode("550", response) || ResponseHasCode("553", response)) &&
            Compensate(localPath, folder, name, response, result))
            return result;
    }
    const uint32_t error = platform::GetLastErrorCode();
    LastError = error;
    const bool cutOff = (error == ErrorCode::InternetOperationCancelled ||
                         error == ErrorCode::InternetConnectionAborted) &&
                        Watchdog->TimedOut();
    if (cutOff && MayRepeat()) {
        Warn("Timedout - Retrying");
        RetryState = 2;
        if (!OpenConnection(Passive, "")) {
            Fail("Failed to reconnect");
            return false;
        }
    } else if (IsRecoverableError() && RetryState == 0 && MayRepeat()) {
        Warn(MishapReport("Problem copying file " + localPath + " to " + folder,
                          "Error code (A): " + std::to_string(LastError), response));
        Warn("Renegotiating connection");
        RetryState = 1;
        if (!OpenConnection(Passive, "")) {
            Fail("Failed to renegotiate connection");
            return false;
        }
    } else if (IsRecoverableError() && RetryState != 0 && RetryState != 3 && MayRepeat()) {
        RetryState = 3;
        if (Passive && (Options & ActiveOnly) != 0) {
            Passive = false;
        } else if (!Passive && (Options & PassiveOnly) != 0) {
            Passive = true;
        }
        Warn("Renegotiating connection type");
        if (!OpenConnection(Passive, "")) {
            Fail("Failed to renegotiate connection");
            return false;
        }
    } else {
        LastError = error;
        Fail(MishapReport("Failed to copy file " + localPath + " to " + folder,
                          "Error code (C): " + std::to_string(LastError), response));
        RefusalReply = response;
        return false;
    }
    const bool result = PutFile(localPath, folder, name, true);
    if (result) RetryState = 0;
    return result;
}

// A server refuses to store over a file it holds read-only (550 or 553): make the
// file writable and store once more. false when the file could not be made
// writable, and the failure goes on through the other rules.
bool FtpStorageDevice::Compensate(const std::string& localPath, const std::string& folder,
                                  const std::string& name, const std::string& response,
                                  bool& result) {
    LastError = platform::GetLastErrorCode();
    const uint32_t refusal = LastError;
    Warn(MishapReport("Mishap copying file " + localPath + " to " + folder,
                      "Code: " + std::to_string(LastError), response));
    Warn("Compensating...");
    InCompensation = true;
    if (SetReadOnly(folder, name, false, true)) {
        result = PutFile(localPath, folder, name, true);
        InCompensation = false;
        return true;
    }
    Warn("Failed...");
    // The refusal goes on through the other rules, not what the listing left.
    LastError = refusal;
    platform::SetLastErrorCode(refusal);
    InCompensation = false;
    return false;
}

VelMessageText FtpStorageDevice::MishapReport(const std::string& firstLine,
                                              const std::string& codeLine,
                                              const std::string& response) {
    return FourLineReport(firstLine, codeLine, DescribeFtpError(LastError, response), response);
}

std::string FtpStorageDevice::GetLocalCopy(const std::string& folder, const std::string& name) {
    EngineCallScope scope(*this);
    if (!IsPlainName(name)) {
        Warn("Invalid name \"" + PrintableFtpName(name) + "\" in " + folder +
             " (not a single plain name). Not copied");
        LastError = ErrorCode::InvalidName;
        return "";
    }
    const std::string localPath = DownloadPath(name);
    if (localPath.empty()) return "";
    if (!folder.empty() && !ChangeDir(folder)) return "";
    // The path is new in the device's own folder, so it may be armed before the
    // download makes the file.
    LocalCopyOnInterrupt.Arm(localPath);
    Watchdog->Watch(Connection);
    const bool ok = platform::FtpGetFile(Connection, name, localPath, false,
                                         platform::FtpTransferTypeBinary, FtpContext::Download);
    Watchdog->Unwatch();
    if (ok) return localPath;
    LastError = platform::GetLastErrorCode();
    platform::RemoveFile(localPath);
    LocalCopyOnInterrupt.Disarm();
    if (IsLocalFileError(LastError) && !Watchdog->TimedOut()) {
        // Not the server's failure: else it would read as one of the destination.
        Fail("Cannot store the download of " + JoinFolderAndName(folder, name) + " in " +
             localPath + ". " + LastErrorText());
        return "";
    }
    if ((IsRecoverableError() || Watchdog->TimedOut()) && RetryState == 0 && MayRepeat()) {
        Warn(VelMessageText("Failed to copy file " + JoinFolderAndName(folder, name) + ". " +
                            LastErrorText())
                 .Add(" Retrying"));
        RetryState = 2;
        if (!OpenConnection(Passive, "")) {
            Fail("Failed to renegotiate connection");
            LastError = ErrorCode::InternetTimeout;
            return "";
        }
        std::string path = GetLocalCopy(folder, name);
        RetryState = 0;
        return path;
    }
    return "";
}

// Each download gets a path of its own in the private folder, so that two files
// of the same name from different folders never meet.
std::string FtpStorageDevice::DownloadPath(const std::string& name) {
    const std::string folder = TempFolder();
    if (folder.empty()) return "";
    std::string localName = std::to_string(++Downloads) + "-" + name;
    if (localName.size() > MaxLocalNameLength) localName = std::to_string(Downloads);
    return folder + localName;
}

void FtpStorageDevice::ReleaseLocalCopy(const std::string& localPath) {
    if (PrivateFolder.empty()) return;
    const std::string inside = PrivateFolder + platform::PathSeparatorText;
    if (localPath.compare(0, inside.size(), inside) != 0 ||
        !IsPlainName(localPath.substr(inside.size())))
        return;
    platform::RemoveFile(localPath);
    LocalCopyOnInterrupt.Disarm();
}
