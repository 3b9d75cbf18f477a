// The operations that change the remote tree without moving file contents:
// delete, remove and create folders, rename, permission modes, and the raw
// command they are sent with.

#include <algorithm>

#include "common/ErrorCodes.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpResponse.h"
#include "ftp/FtpStorage.h"
#include "platform/LastError.h"
#include "platform/ModalMessage.h"

bool FtpStorageDevice::EnterParent(const std::string& path, std::string& lastComponent) {
    std::string parent;
    if (!SplitParent(path, parent, lastComponent)) {
        LastError = ErrorCode::InvalidName;
        return false;
    }
    return ChangeDir(parent);
}

bool FtpStorageDevice::DeleteFile(const std::string& folder, const std::string& name,
                                  bool reportFailure) {
    EngineCallScope scope(*this);
    const std::string path = JoinFolderAndName(folder, name);
    std::string last;
    if (!EnterParent(path, last)) return false;
    const bool ok = Watched([&] { return platform::FtpDeleteFile(Connection, last); });
    if (ok) return true;
    LastError = platform::GetLastErrorCode();
    if ((IsRecoverableError() || Watchdog->TimedOut()) && RetryState == Recovery::None &&
        MayRepeat())
        return RetryFailedDelete(folder, name, reportFailure);
    LastError = platform::GetLastErrorCode();
    return ReportFailedDelete(path, reportFailure);
}

// After a reconnect the file may be gone already (the delete went through before
// the connection broke, or it was never there): it counts as deleted only when a
// listing of its folder was read to its end without it.
bool FtpStorageDevice::RetryFailedDelete(const std::string& folder, const std::string& name,
                                         bool reportFailure) {
    LastError = ErrorCode::InternetTimeout;
    if (!Reconnect(Recovery::AfterTimeOut, "Timedout - retrying")) {
        LastError = ErrorCode::InternetTimeout;
        return false;
    }
    const std::string path = JoinFolderAndName(folder, name);
    std::string parent, last;
    SplitParent(path, parent, last);
    switch (IsNameListed(parent, last)) {
        case NameListed::No:
            RetryState = Recovery::None;
            return true;
        case NameListed::Yes: {
            // The listing has cleared it: no second round of retries.
            RetryState = Recovery::AfterTimeOut;
            const bool result = DeleteFile(folder, name, reportFailure);
            if (result) RetryState = Recovery::None;
            return result;
        }
        case NameListed::Unknown:
            break;
    }
    return ReportFailedDelete(path, reportFailure);
}

bool FtpStorageDevice::ReportFailedDelete(const std::string& path, bool reportFailure) {
    if (reportFailure)
        Fail("Failed to delete file " + path + " (error " + std::to_string(LastError) + "). " +
             LastErrorText());
    return false;
}

bool FtpStorageDevice::RemoveFolder(const std::string& path) {
    EngineCallScope scope(*this);
    std::string last;
    if (!EnterParent(path, last)) return false;
    const bool ok = Watched([&] { return platform::FtpRemoveDirectory(Connection, last); });
    if (ok) return true;
    LastError = platform::GetLastErrorCode();
    Fail("Failed to delete directory " + path + " (error " + std::to_string(LastError) + "). " +
         LastErrorText());
    return false;
}

bool FtpStorageDevice::CreateFolder(const std::string& path) {
    EngineCallScope scope(*this);
    std::string last;
    if (!EnterParent(path, last)) return false;
    const bool ok = Watched([&] { return platform::FtpCreateDirectory(Connection, last); });
    if (ok) return true;
    LastError = platform::GetLastErrorCode();
    const std::string code = std::to_string(LastError);
    if (IsRecoverableError() && RetryState == Recovery::None && MayRepeat()) {
        Warn("Problem creating directory " + path + " (error " + code + ")." + LastErrorText());
        if (!Reconnect(Recovery::Renegotiating, "Renegotiating connection")) return false;
        const bool result = CreateFolder(path);
        if (result) RetryState = Recovery::None;
        return result;
    }
    Fail("Error creating directory " + path + " (error " + code + "). " + LastErrorText());
    return false;
}

bool FtpStorageDevice::RenameFile(const std::string& folder, const std::string& oldName,
                                  const std::string& newName) {
    EngineCallScope scope(*this);
    if (!IsPlainName(oldName) || !IsPlainName(newName)) {
        LastError = ErrorCode::InvalidName;
        return false;
    }
    if (!ChangeDir(folder)) return false;
    const bool ok = Watched([&] { return platform::FtpRenameFile(Connection, oldName, newName); });
    if (ok) return true;
    LastError = platform::GetLastErrorCode();
    // The caller reports a rename that failed for good.
    if (!((IsRecoverableError() || Watchdog->TimedOut()) && RetryState == Recovery::None &&
          MayRepeat()))
        return false;
    LastError = ErrorCode::InternetTimeout;
    if (!Reconnect(Recovery::AfterTimeOut, "Timedout (rename) - retrying")) {
        LastError = ErrorCode::InternetTimeout;
        return false;
    }
    // The rename may have taken effect before the connection broke.
    bool result = IsNameListed(folder, newName) == NameListed::Yes;
    if (!result) {
        // One repetition only, even after the listing cleared the state.
        RetryState = Recovery::AfterTimeOut;
        result = RenameFile(folder, oldName, newName);
    }
    if (result) RetryState = Recovery::None;
    return result;
}

bool FtpStorageDevice::SendCommand(const std::string& command, const std::string& folder,
                                   std::initializer_list<uint32_t> acceptedCodes,
                                   std::string& response) {
    if (!folder.empty()) ChangeDir(folder);
    response.clear();
    const bool ok = Watched([&] { return platform::FtpCommand(Connection, command, 0); });
    if (ok) {
        response = LastResponse();
        return true;
    }
    LastError = platform::GetLastErrorCode();
    response = LastResponse();
    if (std::find(acceptedCodes.begin(), acceptedCodes.end(), LastError) != acceptedCodes.end())
        return false;
    // Without a window system the report becomes an error message and the run
    // goes on.
    const std::string text = LastErrorText();
    platform::ModalAnswer answer = platform::ModalAnswer::None;
    if (!platform::ShowModalMessage(text, "", platform::ModalButtons::Ok, answer)) Fail(text);
    return false;
}

bool FtpStorageDevice::Chmod(const std::string& folder, const std::string& name,
                             const std::string& mode) {
    EngineCallScope scope(*this);
    std::string response;
    const bool ok =
        SendCommand("SITE CHMOD " + mode + " " + name, folder,
                    {ErrorCode::FtpDropped, ErrorCode::InternetExtendedError}, response);
    // Every server answers a mode it has set with some 2xx reply (200 or 250).
    if (ok && IsPositiveCompletion(response)) {
        ChmodSupported = true;
        ChmodKnown = true;
        return true;
    }
    if (!ok &&
        (LastError == ErrorCode::FtpDropped || LastError == ErrorCode::InternetExtendedError)) {
        if (!ChmodKnown) {
            ChmodSupported = false;
            ChmodKnown = true;
        }
        if (LastError == ErrorCode::InternetExtendedError && !response.empty()) {
            WarnReply(response);
            Warn("CHMOD not supported by FTP server");
        }
        return true;
    }
    if (Watchdog->TimedOut()) {
        Warn("CHMOD may not be supported by FTP server");
    } else if (!response.empty()) {
        WarnReply(response);
    }
    return true;
}

bool FtpStorageDevice::SetReadOnly(const std::string& folder, const std::string& name,
                                   bool readOnly, bool force) {
    EngineCallScope scope(*this);
    // The name may be a path below the folder, as for DeleteFile.
    std::string parent, last;
    if (!SplitParent(JoinFolderAndName(folder, name), parent, last)) return false;
    std::unique_ptr<VelDirectoryList> list = ListFolder(parent, last, true);
    const VelDirectoryEntry* entry = list->FindByName(last, true);
    if (entry == nullptr) return false;
    if (entry->IsReadOnly() == readOnly && !force) return true;
    // Writable for its owner only: a file made writable to be replaced must not
    // stay open to everyone's writes.
    const char* mode =
        entry->IsDirectory() ? (readOnly ? "555" : "755") : (readOnly ? "444" : "644");
    return Chmod(parent, last, mode);
}
