// Links on the server. A listing gives a link's own size and time (those of the
// link text), which say nothing about what it leads to: taken as they stand, a
// link to a file would be copied again on every run and a link to a folder
// would fail as a file. Each link a full listing shows is resolved once: SIZE
// and MDTM give a file's size and time, a change of directory into it tells a
// folder, and a link that leads to neither stays as an entry with nothing to
// copy. The entry stays marked as a link, so that nothing is written through it
// and no folder is entered through it (the server cannot say where one leads).

#include "common/ErrorCodes.h"
#include "ftp/FtpListingRules.h"
#include "ftp/FtpStorage.h"
#include "platform/LastError.h"

bool FtpStorageDevice::ResolveLinks(const std::string& folder, VelDirectoryList& list) {
    for (int i = 1; i <= list.Count(); ++i) {
        VelDirectoryEntry& entry = *list.EntryAt(i);
        if ((entry.Attributes & platform::Attribute::ReparsePoint) == 0) continue;
        if (!ResolveLink(entry)) {
            Fail("Error listing files in " + folder + " (error " + std::to_string(LastError) +
                 "). " + LastErrorText());
            return false;
        }
    }
    return true;
}

bool FtpStorageDevice::ResolveLink(VelDirectoryEntry& entry) {
    uint64_t size = 0;
    const bool file =
        Watched([&] { return platform::FtpGetFileSize(Connection, entry.Name, size); });
    if (Watchdog->TimedOut()) return LinkCutOff();
    if (file) {
        entry.Size = int64_t(size);
        entry.SizeHigh = uint32_t(size >> 32);
        entry.SizeLow = uint32_t(size);
        FileTime time;
        const bool dated =
            Watched([&] { return platform::FtpGetFileTime(Connection, entry.Name, time); });
        if (Watchdog->TimedOut()) return LinkCutOff();
        if (dated) {
            entry.ListedTime = entry.ModifiedTime = ServerUtcToLocal(time);
            entry.DateOnly = false;
            entry.TimeResolution = 1;
        }
        return true;
    }
    const bool folder =
        Watched([&] { return platform::FtpSetCurrentDirectory(Connection, entry.Name); });
    if (Watchdog->TimedOut()) return LinkCutOff();
    if (!folder) {
        // Leads nowhere the server can show: nothing to copy, and the name stays
        // taken, so that nothing of that name is deleted on the other side.
        entry.Attributes |= platform::Attribute::Device;
        return true;
    }
    entry.SetDirectoryFlag(true);
    entry.Size = entry.SizeHigh = entry.SizeLow = 0;
    // Back into the folder being listed, for the links after this one.
    const bool back =
        Watched([&] { return platform::FtpSetCurrentDirectory(Connection, CurrentDir); });
    if (back) return true;
    LastError = platform::GetLastErrorCode();
    CurrentDir.clear();
    return false;
}

bool FtpStorageDevice::LinkCutOff() {
    LastError = ErrorCode::InternetTimeout;
    CurrentDir.clear();
    return false;
}
