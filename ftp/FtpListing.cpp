// Listing a folder on the server, with the reconnects and the change of transfer
// mode that a failed listing goes through. A listing that did not complete is
// never handed on as the folder's contents: the caller gets an empty list and a
// code other than 18.

#include <algorithm>

#include "common/ErrorCodes.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpListingRules.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpResponse.h"
#include "ftp/FtpStorage.h"
#include "platform/LastError.h"
#include "platform/LocalClock.h"

std::unique_ptr<VelDirectoryList> FtpStorageDevice::ListFolder(const std::string& folder,
                                                               const std::string& mask,
                                                               bool allowCached) {
    EngineCallScope scope(*this);
    if (!ChangeDir(folder)) return FailedListing(LastError);
    // A folder is listed by facts (exact times, every name) where the server
    // offers it; a one-name listing always with LIST, since MLSD takes no pattern.
    const bool byFacts = ListsByFacts && mask.empty();
    platform::FindData first;
    const platform::InternetHandle find = Watched([&] {
        return platform::FtpFindFirstFile(Connection, mask, first,
                                          (allowCached ? 0 : platform::InternetFlagReload) |
                                              (byFacts ? platform::FtpFlagListByFacts : 0),
                                          FtpContext::Listing);
    });
    if (find == platform::NoInternetHandle) {
        if (byFacts && RefusedListingByFacts(platform::GetLastErrorCode())) {
            ListsByFacts = false;
            return ListFolder(folder, mask, allowCached);
        }
        return RetryFailedFind(folder, mask);
    }

    auto list = std::make_unique<VelDirectoryList>();
    RetryState = Recovery::None;
    uint32_t endError = 0;
    const std::vector<platform::FindData> records = Watched([&] {
        std::vector<platform::FindData> read = ReadRecords(find, first, byFacts);
        endError = platform::GetLastErrorCode();
        return read;
    });
    // Closed also after a cut-off: the client keeps a find handle until it is
    // closed, and closing one twice is harmless.
    platform::InternetCloseHandle(find);
    if (Watchdog->TimedOut()) return RetryCutListing(folder, mask, endError);
    if (endError == ErrorCode::MoreData) {
        ReportTruncatedListing(folder);
        list->MarkEntriesLeftOut();
    } else if (endError != ErrorCode::NoMoreFiles) {
        return ListingError(folder, endError);
    }
    AddListed(records, folder, byFacts, *list);
    RemovePseudoEntry(*list);
    if (mask.empty()) {
        if (!ResolveLinks(folder, *list)) return FailedListing(LastError);
        Listed.Remember(ServerFolder(folder), *list);
    }
    LastError = ErrorCode::NoMoreFiles;
    return list;
}

void FtpStorageDevice::ReportTruncatedListing(const std::string& folder) {
    // The entries it sent are right; those it left out are unknown, so the list
    // cannot show what the folder lacks.
    Warn("The server listed only part of folder " + folder + " (" + FinalLine(LastResponse()) +
         "). Nothing is deleted on the strength of this listing");
}

std::string FtpStorageDevice::ServerFolder(const std::string& folder) const {
    return ServerDirectory(RootDir, RemotePath(folder));
}

void FtpStorageDevice::FolderFinished(const std::string& path) {
    Listed.Forget(ServerFolder(path));
}

std::vector<platform::FindData> FtpStorageDevice::ReadRecords(platform::InternetHandle find,
                                                              const platform::FindData& first,
                                                              bool byFacts) {
    std::vector<platform::FindData> records{first};
    platform::FindData record;
    while (platform::InternetFindNextFile(find, record)) records.push_back(std::move(record));
    // A listing by facts comes in the order of the server's directory; LIST,
    // made by ls, in the order of the names. The walk takes the entries in
    // the order given, so that order keeps a run's path through the tree (and
    // its log) the same on every server.
    if (byFacts)
        std::stable_sort(records.begin(), records.end(),
                         [](const platform::FindData& a, const platform::FindData& b) {
                             return a.Name < b.Name;
                         });
    return records;
}

void FtpStorageDevice::AddListed(const std::vector<platform::FindData>& records,
                                 const std::string& folder, bool byFacts, VelDirectoryList& list) {
    const double now = platform::CurrentLocalDateTime();
    if (!byFacts && !ListsByFacts && !ZoneKnown) LearnListingZone(records, now);
    const ListingClock clock = ClockOfListing(byFacts);
    for (const platform::FindData& record : records) {
        const bool isFolder = (record.Attributes & platform::Attribute::Directory) != 0;
        if (IsListableName(record.Name, isFolder)) {
            list.Add(EntryFromListing(record, now, clock));
        } else {
            Warn("Invalid name \"" + PrintableFtpName(record.Name) + "\" listed in " + folder +
                 " (not a single plain name). Left out");
            list.MarkEntriesLeftOut();
        }
    }
}

bool FtpStorageDevice::RefusedListingByFacts(uint32_t error) {
    if (error == ErrorCode::NotSupported) return true;
    return error == ErrorCode::InternetExtendedError && IsUnknownCommandReply(LastResponse());
}

std::unique_ptr<VelDirectoryList> FtpStorageDevice::RetryFailedFind(const std::string& folder,
                                                                    const std::string& mask) {
    const uint32_t error = platform::GetLastErrorCode();
    LastError = error;
    if (IsRecoverableError() && RetryState == Recovery::None && MayRepeat()) {
        const bool timedOut = error == ErrorCode::InternetConnectionAborted && Watchdog->TimedOut();
        return ReconnectAndListAgain(folder, mask, timedOut, error);
    }
    if (IsRecoverableError() && RetryState != Recovery::None && RetryState != Recovery::OtherMode &&
        MayRepeat()) {
        Passive = !Passive;
        if (!Reconnect(Recovery::OtherMode, "Renegotiating connection type"))
            return FailedListing(error);
        return ListFolder(folder, mask, false);
    }
    if (error == ErrorCode::NoMoreFiles) {
        LastError = error;
        return std::make_unique<VelDirectoryList>();
    }
    return ListingError(folder, error);
}

std::unique_ptr<VelDirectoryList> FtpStorageDevice::RetryCutListing(const std::string& folder,
                                                                    const std::string& mask,
                                                                    uint32_t endError) {
    if (!MayRepeat()) {
        return ListingError(folder, ErrorCode::InternetTimeout);
    }
    return ReconnectAndListAgain(folder, mask, endError == ErrorCode::InternetConnectionAborted,
                                 endError);
}

// A cut or recoverable listing: a new connection, then the listing once more.
std::unique_ptr<VelDirectoryList> FtpStorageDevice::ReconnectAndListAgain(const std::string& folder,
                                                                          const std::string& mask,
                                                                          bool timedOut,
                                                                          uint32_t error) {
    LastError = timedOut ? ErrorCode::InternetTimeout : error;
    const bool reconnected = timedOut
                                 ? Reconnect(Recovery::AfterTimeOut, "Timedout - retrying")
                                 : Reconnect(Recovery::Renegotiating, "Renegotiating connection");
    if (!reconnected) return FailedListing(ErrorCode::InternetTimeout);
    return ListFolder(folder, mask, false);
}

// The listing failed for good with `code`: reported, and no folder's contents.
std::unique_ptr<VelDirectoryList> FtpStorageDevice::ListingError(const std::string& folder,
                                                                 uint32_t code) {
    LastError = code;
    Fail("Error listing files in " + folder + " (error " + std::to_string(LastError) + "). " +
         LastErrorText());
    return FailedListing(code);
}

std::unique_ptr<VelDirectoryList> FtpStorageDevice::FailedListing(uint32_t code) {
    // The engine takes 18 (and 0) for a listing read to its end.
    if (code == 0 || code == ErrorCode::NoMoreFiles) code = ErrorCode::InternetConnectionAborted;
    LastError = code;
    return std::make_unique<VelDirectoryList>();
}

FtpStorageDevice::NameListed FtpStorageDevice::IsNameListed(const std::string& folder,
                                                            const std::string& name) {
    std::unique_ptr<VelDirectoryList> list = ListFolder(folder, name, false);
    if (LastError != ErrorCode::NoMoreFiles) return NameListed::Unknown;
    return list->FindByName(name, true) != nullptr ? NameListed::Yes : NameListed::No;
}
