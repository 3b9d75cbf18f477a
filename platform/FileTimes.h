#pragma once
// File times (FileTime, UTC) turned into calendar fields and local
// time and back: the counterparts of FileTimeToSystemTime, SystemTimeToFileTime,
// FileTimeToLocalFileTime and LocalFileTimeToFileTime. Safe from any thread.

#include "common/DateTime.h"
#include "platform/FindData.h"

namespace platform {

// The calendar fields of a file time, milliseconds included (finer ticks are
// dropped); no time-zone change. False (fields untouched) for a time beyond the
// year 30827, as FileTimeToSystemTime refuses.
bool FileTimeToCalendar(const FileTime& fileTime, CalendarTime& calendar);
// The file time of calendar fields taken as they stand. False (result untouched)
// when the fields are not a valid time or lie before 1601-01-01.
bool CalendarToFileTime(const CalendarTime& calendar, FileTime& fileTime);

// A UTC file time moved to the local wall-clock time of the system's time zone
// (the offset in force at that instant, daylight saving included).
bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local);
// A local wall-clock file time moved to UTC. In the hour that daylight saving
// repeats, the earlier instant is taken; a time that daylight saving skips moves
// forward by the gap.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc);

}  // namespace platform
