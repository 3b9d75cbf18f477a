#include "platform/FileTimes.h"

#include <time.h>

#include "common/ErrorCodes.h"
#include "common/FileTimeCalendar.h"
#include "platform/LastError.h"
#include "platform/posix/PosixTimes.h"

namespace platform {

namespace posix {

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    // Seconds before 1601 (or so far ahead that the ticks overflow) have no file time.
    constexpr int64_t earliest = -UnixEpochTicks / TicksPerSecond;
    constexpr int64_t latest = (INT64_MAX - UnixEpochTicks) / TicksPerSecond - 1;
    if (seconds < earliest || seconds > latest) return FileTime{};
    int64_t ticks = seconds * TicksPerSecond + UnixEpochTicks + nanoseconds / 100;
    return ticks < 0 ? FileTime{} : FileTime::FromTicks(uint64_t(ticks));
}

void UnixFromFileTime(const FileTime& fileTime, int64_t& seconds, int64_t& nanoseconds) {
    int64_t ticks = int64_t(fileTime.Ticks() & 0x7FFFFFFFFFFFFFFFULL) - UnixEpochTicks;
    seconds = ticks / TicksPerSecond;
    int64_t rest = ticks % TicksPerSecond;
    if (rest < 0) rest += TicksPerSecond, --seconds;
    nanoseconds = rest * 100;
}

}  // namespace posix

bool FileTimeToCalendar(const FileTime& fileTime, CalendarTime& calendar) {
    // Beyond the year 30827 there are no calendar fields, as the system refuses.
    if (fileTime.High & 0x80000000u) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    calendar = CalendarFromFileTime(fileTime);
    return true;
}

bool CalendarToFileTime(const CalendarTime& calendar, FileTime& fileTime) {
    if (!IsValidCalendarTime(calendar) || calendar.Year < 1601) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    fileTime = FileTimeFromCalendar(calendar);
    return true;
}

bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local) {
    int64_t seconds, nanoseconds;
    posix::UnixFromFileTime(utc, seconds, nanoseconds);
    time_t when = time_t(seconds);
    struct tm fields;
    if (localtime_r(&when, &fields) == nullptr) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    int64_t shifted = int64_t(utc.Ticks()) + int64_t(fields.tm_gmtoff) * posix::TicksPerSecond;
    if (shifted < 0) shifted = 0;
    local = FileTime::FromTicks(uint64_t(shifted));
    return true;
}

bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc) {
    int64_t seconds, nanoseconds;
    posix::UnixFromFileTime(local, seconds, nanoseconds);
    time_t asUtc = time_t(seconds);
    struct tm fields;
    if (gmtime_r(&asUtc, &fields) == nullptr) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    // mktime reads the fields as local wall-clock time; -1 lets it decide on
    // daylight saving, and for a repeated hour it takes the first instant.
    fields.tm_isdst = -1;
    time_t instant = mktime(&fields);
    if (instant == time_t(-1) && !(fields.tm_year == 69 && fields.tm_mon == 11)) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    utc = posix::FileTimeFromUnix(int64_t(instant), nanoseconds);
    return true;
}

}  // namespace platform
