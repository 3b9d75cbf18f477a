// The server's working directory, and where downloads are kept.

#include "common/ErrorCodes.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpStorage.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/PrivateFolder.h"

bool FtpStorageDevice::ChangeDir(const std::string& location, bool askOnly) {
    const std::string path = ServerDirectory(RootDir, RemotePath(location));
    // A run of operations in one folder costs one change of directory.
    if (path == CurrentDir) return true;
    const bool ok = Watched([&] { return platform::FtpSetCurrentDirectory(Connection, path); });
    if (ok) {
        CurrentDir = path;
        return true;
    }
    LastError = platform::GetLastErrorCode();
    // The server's answer that there is no such folder answers the question; a
    // new connection would not change it.
    if (askOnly && LastError == ErrorCode::InternetExtendedError) return false;
    const std::string code = std::to_string(LastError);
    const std::string where = " root: " + RootDir + " cwd: " + CurrentDir;
    if (IsRecoverableError() && RetryState == Recovery::None && MayRepeat()) {
        Warn("Problem changing directory to " + location + " (error " + code + ")." +
             LastErrorText() + where + " real: " + path);
        if (!Reconnect(Recovery::Renegotiating, "Renegotiating connection")) return false;
        const bool result = ChangeDir(location, askOnly);
        if (result) RetryState = Recovery::None;
        return result;
    }
    Fail("Cannot change directory to " + location + " (error " + code + ")." + LastErrorText() +
         where);
    return false;
}

std::string FtpStorageDevice::TempFolder() {
    if (PrivateFolder.empty()) {
        if (!platform::MakePrivateFolder("velcopy-ftp-", PrivateFolder)) {
            LastError = platform::GetLastErrorCode();
            PrivateFolder.clear();
            // Else the copy's failure would read as one of the destination.
            Fail("Cannot make a folder for downloads in the temporary folder " +
                 platform::TemporaryFolder() + ". " + LastErrorText());
            return "";
        }
        PrivateFolderOnInterrupt.Arm(PrivateFolder);
    }
    return PrivateFolder + platform::PathSeparatorText;
}
