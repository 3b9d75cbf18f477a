// Uploads and downloads, with the checks that tell a whole transfer from one cut
// short, and the recovery a failed transfer goes through: making a refused
// remote file writable and storing again, retrying after a time-out or a broken
// connection, and changing the transfer mode.
//
// An upload goes to a temporary name in the same folder, is checked against the
// server's size for it, and only then takes its name by a rename, which
// replaces the old file (or a link of that name, never what the link leads to)
// in one step: a failed, cut or interrupted upload leaves the old version as it
// was and nothing half-written under the real name. A server without RNFR/RNTO
// gets the file under its name directly, and a part of it that a failure left is
// removed.

#include <filesystem>

#include "common/ErrorCodes.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpResponse.h"
#include "ftp/FtpStorage.h"
#include "ftp/StoredNames.h"
#include "platform/CopyTemporaryName.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "storage/TextLineEnds.h"

namespace {

// The longest name a local file may have on common file systems.
constexpr size_t MaxLocalNameLength = 255;

// The sizes a server may hold for a local file after an upload: its size in
// binary mode; in text mode the size as sent (every bare LF as CR LF), or as a
// server that turns CR LF into LF keeps it.
struct AcceptedSizes {
    uint64_t Sent = 0;
    uint64_t Converted = 0;
};

bool MeasureLocalFile(const std::string& path, bool binary, AcceptedSizes& sizes) {
    if (binary) {
        std::error_code error;
        sizes.Sent = sizes.Converted = std::filesystem::file_size(path, error);
        return !error;
    }
    TextFileSizes text;
    if (!MeasureTextFile(path, text)) return false;
    sizes.Sent = text.AsSent;
    sizes.Converted = text.WithoutCr;
    return true;
}

// The server refused for want of space: another attempt would meet the same.
bool IsSpaceRefusal(const std::string& response) {
    const int code = FinalCode(response);
    return code == 452 || code == 552;
}

// A failed store that had begun to write the file: the connection broke or the
// server gave up while the data came.
bool StoreHadBegun(uint32_t error, const std::string& response) {
    if (error == ErrorCode::InternetExtendedError) {
        const int code = FinalCode(response);
        return code == 426 || code == 451;
    }
    return error == ErrorCode::InternetConnectionAborted ||
           error == ErrorCode::InternetConnectionReset || error == ErrorCode::InternetTimeout ||
           error == ErrorCode::InternetOperationCancelled || error == ErrorCode::FtpDropped;
}

}  // namespace

bool FtpStorageDevice::PutFile(const std::string& localPath, const std::string& folder,
                               const std::string& name, bool binary) {
    EngineCallScope scope(*this);
    std::string localFolder, localName;
    if (!SplitParent(localPath, localFolder, localName) || !AcceptsName(name)) {
        LastError = ErrorCode::InvalidName;
        return false;
    }
    if (!ChangeDir(folder)) return false;
    StoredName.clear();
    return UploadsThroughTemporary ? PutThroughTemporary(localPath, folder, name, binary)
                                   : PutDirectly(localPath, folder, name, binary);
}

bool FtpStorageDevice::PutThroughTemporary(const std::string& localPath, const std::string& folder,
                                           const std::string& name, bool binary) {
    const std::string temporary = platform::NewCopyTemporaryName();
    Failure failure;
    bool cannotRename = false;
    bool ok = Store(localPath, temporary, binary, failure) &&
              CheckStoredSize(localPath, temporary, binary, failure);
    // The copy takes its source's time before it takes its name, so that the
    // name never shows the time of the upload.
    if (ok) StampUpload(localPath, temporary);
    ok = ok && TakeName(temporary, name, failure, cannotRename);
    if (ok) {
        CheckArrivedName(folder, name);
        RemoveLeftovers(folder);
        return true;
    }
    if (!RemoveQuietly(temporary)) Leftovers.emplace_back(folder, temporary);
    if (cannotRename) {
        // Learnt for the rest of the run: this server takes no renames.
        UploadsThroughTemporary = false;
        return PutDirectly(localPath, folder, name, binary);
    }
    return RetryFailedPut(localPath, folder, name, failure, false);
}

void FtpStorageDevice::RemoveLeftovers(const std::string& folder) {
    // A temporary file that could not be removed when its upload failed (the
    // connection had broken) goes once an upload into its folder has succeeded,
    // so that its removal cannot cost that upload.
    std::erase_if(Leftovers, [&](const std::pair<std::string, std::string>& leftover) {
        return leftover.first == folder && RemoveQuietly(leftover.second);
    });
}

bool FtpStorageDevice::PutDirectly(const std::string& localPath, const std::string& folder,
                                   const std::string& name, bool binary) {
    Failure failure;
    if (!Store(localPath, name, binary, failure)) {
        if (StoreHadBegun(failure.Error, failure.Response)) RemoveQuietly(name);
        return RetryFailedPut(localPath, folder, name, failure, true);
    }
    if (!CheckStoredSize(localPath, name, binary, failure)) {
        // What stands under the name is not the file: better none.
        RemoveQuietly(name);
        return RetryFailedPut(localPath, folder, name, failure, true);
    }
    StampUpload(localPath, name);
    CheckArrivedName(folder, name);
    return true;
}

bool FtpStorageDevice::Store(const std::string& localPath, const std::string& remoteName,
                             bool binary, Failure& failure) {
    platform::SetLastErrorCode(0);
    const bool ok = Watched([&] {
        return platform::FtpPutFile(
            Connection, localPath, remoteName,
            binary ? platform::FtpTransferTypeBinary : platform::FtpTransferTypeAscii,
            FtpContext::Upload);
    });
    if (!ok) failure = CurrentFailure();
    return ok;
}

FtpStorageDevice::Failure FtpStorageDevice::CurrentFailure() {
    return Failure{platform::GetLastErrorCode(), LastResponse()};
}

bool FtpStorageDevice::CheckStoredSize(const std::string& localPath, const std::string& remoteName,
                                       bool binary, Failure& failure) {
    AcceptedSizes accepted;
    if (!MeasureLocalFile(localPath, binary, accepted)) {
        failure = Failure{platform::GetLastErrorCode(), ""};
        if (failure.Error == 0) failure.Error = ErrorCode::FileNotFound;
        return false;
    }
    uint64_t stored = 0;
    const bool told =
        Watched([&] { return platform::FtpGetFileSize(Connection, remoteName, stored); });
    if (!told) {
        failure = CurrentFailure();
        // A server that cannot say a size (SIZE unknown) is asked for its listing.
        if (!IsUnknownCommandReply(failure.Response) || !ListedSize(remoteName, stored))
            return false;
    }
    LastStoredSize = stored;
    if (stored == accepted.Sent || stored == accepted.Converted) return true;
    Warn("The server holds " + std::to_string(stored) + " bytes of " + localPath + " instead of " +
         std::to_string(accepted.Sent) + ": the upload was cut short");
    failure = Failure{ErrorCode::InternetConnectionAborted, ""};
    return false;
}

bool FtpStorageDevice::ListedSize(const std::string& remoteName, uint64_t& size) {
    platform::FindData record;
    const platform::InternetHandle find = Watched([&] {
        return platform::FtpFindFirstFile(Connection, remoteName, record,
                                          platform::InternetFlagReload, FtpContext::Listing);
    });
    if (find == platform::NoInternetHandle) return false;
    platform::InternetCloseHandle(find);
    if (record.Name != remoteName) return false;
    size = (uint64_t(record.SizeHigh) << 32) | record.SizeLow;
    return true;
}

bool FtpStorageDevice::TakeName(const std::string& temporary, const std::string& name,
                                Failure& failure, bool& cannotRename) {
    // RNFR and RNTO one by one, so that a server that takes no renames at all
    // (a refused RNFR of the file just stored) is told from a refused name.
    const bool from = Watched([&] {
        return platform::FtpCommand(Connection, "RNFR " + temporary, 0) &&
               FinalCode(LastResponse()) / 100 == 3;
    });
    if (!from) {
        failure = CurrentFailure();
        cannotRename =
            failure.Error == ErrorCode::InternetExtendedError && FinalCode(failure.Response) >= 500;
        if (failure.Error == 0) failure.Error = ErrorCode::InternetInvalidServerResponse;
        return false;
    }
    const bool to = Watched([&] { return platform::FtpCommand(Connection, "RNTO " + name, 0); });
    if (to) return true;
    failure = CurrentFailure();
    // "File name not allowed": the server does not take this name.
    if (failure.Error == ErrorCode::InternetExtendedError && FinalCode(failure.Response) == 553)
        failure.Error = ErrorCode::InvalidName;
    return false;
}

bool FtpStorageDevice::RemoveQuietly(const std::string& remoteName) {
    const bool removed = Watched([&] { return platform::FtpDeleteFile(Connection, remoteName); });
    // A name that is not there is as good as removed.
    return removed || FinalCode(LastResponse()) == 550;
}

void FtpStorageDevice::CheckArrivedName(const std::string& folder, const std::string& name) {
    if (!MayBeStoredUnderAnotherName(name)) return;
    // Only the listing tells: such a server changes the name in every command, so
    // that SIZE of the name asked for finds the file it stored under another.
    std::unique_ptr<VelDirectoryList> list = ListFolder(folder, "", false);
    if (LastError != ErrorCode::NoMoreFiles || list->FindByName(name, true) != nullptr) return;
    for (int i = 1; i <= list->Count(); ++i) {
        const VelDirectoryEntry& entry = *list->EntryAt(i);
        if (entry.IsDirectory() || uint64_t(entry.Size) != LastStoredSize ||
            !ResemblesStoredName(name, entry.Name))
            continue;
        StoredName = entry.Name;
        Warn("The server stored \"" + PrintableFtpName(name) + "\" as \"" +
             PrintableFtpName(entry.Name) + "\" in " + folder +
             ". The file is kept under that name");
        return;
    }
    Warn("\"" + PrintableFtpName(name) + "\" does not show under its own name in " + folder +
         " after the upload: the server may have stored it under another name");
}

std::string FtpStorageDevice::LastStoredName() {
    return StoredName;
}

bool FtpStorageDevice::RetryFailedPut(const std::string& localPath, const std::string& folder,
                                      const std::string& name, const Failure& failure,
                                      bool direct) {
    // The reason the caller reports is this failure's, whatever was sent since.
    RefusalReply = failure.Response;
    const std::string& response = failure.Response;
    // Every repetition stores in binary mode.
    if (direct && failure.Error == ErrorCode::InternetExtendedError && !InCompensation &&
        (ResponseHasCode("550", response) || ResponseHasCode("553", response))) {
        bool result = false;
        if (Compensate(localPath, folder, name, failure, result)) return result;
    }
    const uint32_t error = failure.Error;
    LastError = error;
    if (error == ErrorCode::InvalidName) return false;
    const bool cutOff = (error == ErrorCode::InternetOperationCancelled ||
                         error == ErrorCode::InternetConnectionAborted) &&
                        Watchdog->TimedOut();
    if (IsSpaceRefusal(response)) {
        FailUpload(localPath, folder, response);
        return false;
    } else if (cutOff && MayRepeat()) {
        if (!Reconnect(Recovery::AfterTimeOut, "Timedout - Retrying", "Failed to reconnect"))
            return false;
    } else if (IsRecoverableError() && RetryState == Recovery::None && MayRepeat()) {
        Warn(MishapReport("Problem copying file " + localPath + " to " + folder,
                          "Error code (A): " + std::to_string(LastError), response));
        if (!Reconnect(Recovery::Renegotiating, "Renegotiating connection")) return false;
    } else if (IsRecoverableError() && RetryState != Recovery::None &&
               RetryState != Recovery::OtherMode && MayRepeat()) {
        if (Passive && (Options & ActiveOnly) != 0) {
            Passive = false;
        } else if (!Passive && (Options & PassiveOnly) != 0) {
            Passive = true;
        }
        if (!Reconnect(Recovery::OtherMode, "Renegotiating connection type")) return false;
    } else {
        LastError = error;
        FailUpload(localPath, folder, response);
        return false;
    }
    const bool result = PutFile(localPath, folder, name, true);
    if (result) RetryState = Recovery::None;
    return result;
}

void FtpStorageDevice::FailUpload(const std::string& localPath, const std::string& folder,
                                  const std::string& response) {
    Fail(MishapReport("Failed to copy file " + localPath + " to " + folder,
                      "Error code (C): " + std::to_string(LastError), response));
}

// A server refuses to store over a file it holds read-only (550 or 553): make the
// file writable and store once more. false when the file could not be made
// writable, and the failure goes on through the other rules.
bool FtpStorageDevice::Compensate(const std::string& localPath, const std::string& folder,
                                  const std::string& name, const Failure& failure, bool& result) {
    LastError = failure.Error;
    Warn(MishapReport("Mishap copying file " + localPath + " to " + folder,
                      "Code: " + std::to_string(LastError), failure.Response));
    Warn("Compensating...");
    InCompensation = true;
    if (SetReadOnly(folder, name, false, true)) {
        result = PutFile(localPath, folder, name, true);
        InCompensation = false;
        return true;
    }
    Warn("Failed...");
    // The refusal goes on through the other rules, not what the listing left.
    LastError = failure.Error;
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
    return Download(folder, name, std::nullopt);
}

std::string FtpStorageDevice::GetLocalCopyOf(const std::string& folder,
                                             const VelDirectoryEntry& listed) {
    EngineCallScope scope(*this);
    return Download(folder, listed.Name,
                    listed.Size >= 0 ? std::optional<uint64_t>(uint64_t(listed.Size)) : std::nullopt);
}

std::string FtpStorageDevice::Download(const std::string& folder, const std::string& name,
                                       std::optional<uint64_t> listed) {
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
    bool ok = Watched([&] {
        return platform::FtpGetFile(Connection, name, localPath, false,
                                    platform::FtpTransferTypeBinary, FtpContext::Download);
    });
    if (ok) ok = HasListedSize(folder, name, listed, localPath);
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
    if ((IsRecoverableError() || Watchdog->TimedOut()) && RetryState == Recovery::None &&
        MayRepeat()) {
        const VelMessageText why =
            VelMessageText("Failed to copy file " + JoinFolderAndName(folder, name) + ". " +
                           LastErrorText())
                .Add(" Retrying");
        if (!Reconnect(Recovery::AfterTimeOut, why)) {
            LastError = ErrorCode::InternetTimeout;
            return "";
        }
        std::string path = Download(folder, name, listed);
        RetryState = Recovery::None;
        return path;
    }
    return "";
}

bool FtpStorageDevice::HasListedSize(const std::string& folder, const std::string& name,
                                     std::optional<uint64_t> listedSize,
                                     const std::string& localPath) {
    uint64_t listed = 0;
    if (listedSize) listed = *listedSize;
    else if (!Listed.Find(ServerFolder(folder), name, listed)) return true;
    std::error_code error;
    const uint64_t received = std::filesystem::file_size(localPath, error);
    if (!error && received == listed) return true;
    Warn("The download of " + JoinFolderAndName(folder, name) + " brought " +
         std::to_string(received) + " bytes where the listing shows " + std::to_string(listed));
    // Cut short, or changed on the server since it was listed: not the file.
    platform::SetLastErrorCode(ErrorCode::InternetConnectionAborted);
    return false;
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
