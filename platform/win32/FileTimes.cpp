#include <windows.h>

#include "common/ErrorCodes.h"
#include "platform/FileTimes.h"
#include "platform/LastError.h"
#include "platform/win32/SystemTypes.h"

namespace platform {

using win32::FromSystem;
using win32::ToSystem;

bool FileTimeToCalendar(const FileTime& fileTime, CalendarTime& calendar) {
    FILETIME system = ToSystem(fileTime);
    SYSTEMTIME fields;
    if (!::FileTimeToSystemTime(&system, &fields)) return false;
    calendar.Year = fields.wYear;
    calendar.Month = fields.wMonth;
    calendar.Day = fields.wDay;
    calendar.Hour = fields.wHour;
    calendar.Minute = fields.wMinute;
    calendar.Second = fields.wSecond;
    calendar.Millisecond = fields.wMilliseconds;
    return true;
}

bool CalendarToFileTime(const CalendarTime& calendar, FileTime& fileTime) {
    if (!IsValidCalendarTime(calendar) || calendar.Year < 1601 || calendar.Year > 30827) {
        SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    SYSTEMTIME fields{};
    fields.wYear = WORD(calendar.Year);
    fields.wMonth = WORD(calendar.Month);
    fields.wDay = WORD(calendar.Day);
    fields.wHour = WORD(calendar.Hour);
    fields.wMinute = WORD(calendar.Minute);
    fields.wSecond = WORD(calendar.Second);
    fields.wMilliseconds = WORD(calendar.Millisecond);
    FILETIME system;
    if (!::SystemTimeToFileTime(&fields, &system)) return false;
    fileTime = FromSystem(system);
    return true;
}

// The time zone's rules for the instant itself, not today's offset
// (FileTimeToLocalFileTime would move every summer file by an hour in winter).
bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local) {
    FILETIME system = ToSystem(utc);
    SYSTEMTIME utcFields, localFields;
    FILETIME localSystem;
    if (!::FileTimeToSystemTime(&system, &utcFields) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &localFields) ||
        !::SystemTimeToFileTime(&localFields, &localSystem)) {
        return false;
    }
    // SYSTEMTIME keeps milliseconds only: the finer ticks are carried over.
    uint64_t rest = utc.Ticks() % 10000;
    local = FileTime::FromTicks(FromSystem(localSystem).Ticks() + rest);
    return true;
}

bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc) {
    FILETIME system = ToSystem(local);
    SYSTEMTIME localFields, utcFields;
    FILETIME utcSystem;
    if (!::FileTimeToSystemTime(&system, &localFields) ||
        !::TzSpecificLocalTimeToSystemTime(nullptr, &localFields, &utcFields) ||
        !::SystemTimeToFileTime(&utcFields, &utcSystem)) {
        return false;
    }
    uint64_t rest = local.Ticks() % 10000;
    utc = FileTime::FromTicks(FromSystem(utcSystem).Ticks() + rest);
    return true;
}

}  // namespace platform
