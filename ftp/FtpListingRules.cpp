#include "ftp/FtpListingRules.h"

#include "common/DateTime.h"
#include "common/FileTimeCalendar.h"
#include "ftp/FtpLocation.h"
#include "ftp/ServerTimes.h"
#include "platform/FileTimes.h"

namespace {

constexpr size_t MaxNameLength = 260;

double CalendarDateTime(const CalendarTime& calendar) {
    return IsValidCalendarTime(calendar) ? EncodeDateTime(calendar) : 0;
}

}  // namespace

ListingTime ConvertListingTime(const FileTime& fileTime, double now) {
    CalendarTime calendar;
    ListingTime result;
    if (!platform::FileTimeToCalendar(fileTime, calendar)) return result;
    result.DateTime = CalendarDateTime(calendar);
    const double age = now - result.DateTime;
    if (age < 180.0) return result;
    result.DateOnly = calendar.Hour == 0 && calendar.Minute == 0 && calendar.Second == 0 &&
                      calendar.Millisecond == 0;
    if (age > 364.0 && age < 366.0) {
        calendar.Year += 1;
        if (calendar.Month == 2 && calendar.Day == 29 && !IsValidCalendarTime(calendar))
            calendar.Day = 28;
        result.DateTime = CalendarDateTime(calendar);
    }
    return result;
}

double ServerUtcToLocal(const FileTime& utc) {
    return FileTimeToLocalDateTime(utc);
}

namespace {

void SetListedTime(const FileTime& listed, double now, const ListingClock& clock,
                   VelDirectoryEntry& entry) {
    if (clock.Utc) {
        entry.ModifiedTime = ServerUtcToLocal(listed);
        entry.TimeResolution = 1;
        return;
    }
    const ListingTime time = ConvertListingTime(listed, now);
    entry.DateOnly = time.DateOnly;
    entry.ModifiedTime = time.DateTime;
    // A date without a time of day is compared by whole days as the server has it.
    if (time.DateOnly || time.DateTime == 0) return;
    const FileTime clockTime = FileTimeFromCalendar(DecodeDateTime(time.DateTime));
    entry.ModifiedTime = ServerUtcToLocal(ClockTimeToUtc(clockTime, clock.UtcOffsetMinutes));
    entry.TimeResolution = 60;
}

}  // namespace

std::unique_ptr<VelDirectoryEntry> EntryFromListing(const platform::FindData& record, double now,
                                                    const ListingClock& clock) {
    auto entry = std::make_unique<VelDirectoryEntry>();
    entry->Name = record.Name.substr(0, MaxNameLength);
    SetListedTime(record.LastWriteTime, now, clock, *entry);
    entry->ListedTime = entry->ModifiedTime;
    entry->SizeHigh = record.SizeHigh;
    entry->SizeLow = record.SizeLow;
    entry->Size = int64_t((uint64_t(record.SizeHigh) << 32) | record.SizeLow);
    entry->SetDirectoryFlag((record.Attributes & platform::Attribute::Directory) != 0);
    entry->SetReadOnlyFlag((record.Attributes & platform::Attribute::ReadOnly) != 0);
    entry->SetHiddenFlag((record.Attributes & platform::Attribute::Hidden) != 0);
    // A link, and an entry that is neither file nor folder, must be known as such:
    // nothing is written through a link, and neither has content of its own.
    entry->Attributes |=
        record.Attributes & (platform::Attribute::ReparsePoint | platform::Attribute::Device);
    return entry;
}

bool IsListableName(const std::string& name, bool isFolder) {
    if (name == "." || name == "..") return isFolder;
    return name.size() <= MaxNameLength && IsPlainName(name);
}

bool RemovePseudoEntry(VelDirectoryList& list) {
    if (list.Count() != 1) return false;
    const VelDirectoryEntry& entry = *list.EntryAt(1);
    if (entry.Name != "total 1" || entry.SizeHigh != 0 || entry.SizeLow != 0) return false;
    if (entry.IsDirectory() || entry.IsReadOnly() || entry.IsHidden()) return false;
    list.Delete(1);
    return true;
}
