#include "common/FileTimeCalendar.h"

namespace {

// Days from 1601-01-01 (the file-time epoch) to 1970-01-01.
constexpr int64_t FileTimeEpochToUnixDays = 134774;
// Days from 1601-01-01 to 1899-12-30 (the date-time epoch).
constexpr int64_t FileTimeEpochToDateTimeDays = 109205;
constexpr uint64_t TicksPerMillisecond = 10000;
constexpr uint64_t MillisecondsPerDay = 86400000;

}  // namespace

FileTime FileTimeFromCalendar(const CalendarTime& t) {
    if (!IsValidCalendarTime(t) || t.Year < 1601) return {};
    int64_t days = DaysFromCivil(t.Year, t.Month, t.Day) + FileTimeEpochToUnixDays;
    uint64_t ms = uint64_t(((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Millisecond);
    return FileTime::FromTicks((uint64_t(days) * MillisecondsPerDay + ms) * TicksPerMillisecond);
}

CalendarTime CalendarFromFileTime(const FileTime& fileTime) {
    uint64_t totalMs = fileTime.Ticks() / TicksPerMillisecond;
    int64_t days = int64_t(totalMs / MillisecondsPerDay);
    uint64_t ms = totalMs % MillisecondsPerDay;
    // A whole number of days is exact as a double, so the date comes out right
    // however far the time lies from 1899; the time of day is done in integers.
    CalendarTime t = DecodeDateTime(double(days - FileTimeEpochToDateTimeDays));
    t.Millisecond = int(ms % 1000);
    t.Second = int(ms / 1000 % 60);
    t.Minute = int(ms / 60000 % 60);
    t.Hour = int(ms / 3600000);
    return t;
}
