// A second look at a folder that a listing showed empty. Some servers answer the
// listing of a folder they cannot read with an empty listing and a plain 226
// (ProFTPD), indistinguishable from an empty folder; deleting everything the
// other side holds on the strength of it would lose what the server still has.
// The second look asks in a way that tells the two apart:
//   - MLSD, which servers refuse (550) for a folder they cannot read; an answer
//     that lists nothing but the folder itself and its parent is an empty folder;
//   - where MLSD is not known, "STAT -a ." over the control connection, which
//     lists "." and ".." for a folder that can be read (vsftpd, ProFTPD) and
//     nothing of the kind for one that cannot.
// A folder neither tells apart is not confirmed empty.

#include "common/ErrorCodes.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpResponse.h"
#include "ftp/FtpStorage.h"
#include "internet/protocol/ListingParser.h"
#include "platform/LastError.h"
#include "platform/LocalClock.h"

namespace {

bool IsDotName(const std::string& name) {
    return name == "." || name == "..";
}

// The server does not know the command (rather than refusing it for this folder).
bool IsUnknownCommand(uint32_t error, const std::string& response) {
    if (error == ErrorCode::NotSupported) return true;
    return error == ErrorCode::InternetExtendedError &&
           (IsUnknownCommandReply(response) || FinalCode(response) == 501);
}

}  // namespace

bool FtpStorageDevice::ConfirmEmptyFolder(const std::string& path) {
    EngineCallScope scope(*this);
    if (!ChangeDir(path)) return false;
    platform::FindData record;
    const platform::InternetHandle find = Watched([&] {
        return platform::FtpFindFirstFile(
            Connection, "", record, platform::InternetFlagReload | platform::FtpFlagListByFacts,
            FtpContext::Listing);
    });
    if (find != platform::NoInternetHandle) {
        bool onlyDots = true;
        do onlyDots = onlyDots && IsDotName(record.Name);
        while (platform::InternetFindNextFile(find, record));
        const bool whole = platform::GetLastErrorCode() == ErrorCode::NoMoreFiles;
        platform::InternetCloseHandle(find);
        return onlyDots && whole && !Watchdog->TimedOut();
    }
    const uint32_t error = platform::GetLastErrorCode();
    // A folder that MLSD lists as holding nothing at all (pyftpdlib).
    if (error == ErrorCode::NoMoreFiles) return !Watchdog->TimedOut();
    if (!IsUnknownCommand(error, LastResponse())) return false;
    return StatusListsAnEmptyFolder();
}

bool FtpStorageDevice::StatusListsAnEmptyFolder() {
    const bool ok = Watched([&] { return platform::FtpCommand(Connection, "STAT -a .", 0); });
    if (!ok) return false;
    bool itself = false;
    for (const platform::FindData& entry : ftpprotocol::ParseStatusListing(
             LastResponse(), DecodeDateTime(platform::CurrentLocalDateTime()))) {
        if (!IsDotName(entry.Name)) return false;
        itself = itself || entry.Name == ".";
    }
    return itself;
}
