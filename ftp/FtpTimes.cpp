// The server's times: the zone its LIST times are in (learnt once from one
// file's MDTM), and giving an uploaded file its source's time (the way the
// server takes, learnt on the first upload). Without these, a mirror would compare the server's
// clock time as if it were ours, and an upload would carry the time of the upload.

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "common/FileTimeCalendar.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpStorage.h"
#include "platform/FileOperations.h"
#include "platform/FileTimes.h"
#include "platform/LastError.h"

ListingClock FtpStorageDevice::ClockOfListing(bool byFacts) const {
    ListingClock clock;
    clock.Utc = byFacts;
    clock.UtcOffsetMinutes = ZoneOffsetMinutes;
    return clock;
}

void FtpStorageDevice::LearnListingZone(const std::vector<platform::FindData>& records,
                                        double now) {
    for (const platform::FindData& record : records) {
        if ((record.Attributes &
             (platform::Attribute::Directory | platform::Attribute::ReparsePoint |
              platform::Attribute::Device)) != 0)
            continue;
        // Only a time of day says the zone; a date-only listing of an old file
        // does not.
        const ListingTime listed = ConvertListingTime(record.LastWriteTime, now);
        if (listed.DateOnly || listed.DateTime == 0 || record.Name.empty()) continue;
        FileTime exact;
        const bool dated =
            Watched([&] { return platform::FtpGetFileTime(Connection, record.Name, exact); });
        // Without an answer (the connection broke) the zone stays to be learnt.
        if (!dated && platform::GetLastErrorCode() != ErrorCode::InternetExtendedError) return;
        int offset = 0;
        // A server that cannot say a file's time gets the most common answer:
        // its listings are in UTC.
        if (dated && !ListingZoneOffset(FileTimeFromCalendar(DecodeDateTime(listed.DateTime)),
                                        exact, offset))
            continue;
        ZoneOffsetMinutes = offset;
        ZoneKnown = true;
        return;
    }
}

void FtpStorageDevice::StampUpload(const std::string& localPath, const std::string& name) {
    FileTime modified;
    if (!platform::ReadLastWriteTime(localPath, modified)) return;
    SetServerTime(name, modified);
}

bool FtpStorageDevice::SetFileDate(const std::string& folder, const std::string& name,
                                   double dateTime) {
    EngineCallScope scope(*this);
    if (TimeWay == TimeSetting::None || !ChangeDir(folder)) return true;
    FileTime local, utc;
    if (!platform::CalendarToFileTime(DecodeDateTime(dateTime), local) ||
        !platform::LocalFileTimeToFileTime(local, utc))
        return true;
    SetServerTime(name, utc);
    return true;
}

void FtpStorageDevice::SetServerTime(const std::string& name, const FileTime& utc) {
    const std::string stamp = FtpTimestamp(utc);
    if (stamp.empty()) return;
    while (TimeWay != TimeSetting::None) {
        const bool answered = Watched([&] {
            return platform::FtpCommand(Connection, TimeSettingCommand(TimeWay, stamp, name), 0) ||
                   platform::GetLastErrorCode() == ErrorCode::InternetExtendedError;
        });
        // No reply says nothing of the way; the next call finds the connection as
        // it is.
        if (!answered) return;
        const TimeSettingAnswer answer = JudgeTimeSettingReply(TimeWay, LastResponse());
        if (answer == TimeSettingAnswer::Done) TimeWayLearnt = true;
        if (answer != TimeSettingAnswer::Unknown || TimeWayLearnt) return;
        // This server does not know the way: the next one, for good.
        TimeWay = TimeSetting(int(TimeWay) + 1);
    }
}
