#pragma once
// Conversions between a calendar time and a file time (100 ns since 1601-01-01)
// with no time-zone change: the fields are taken as they stand (the FTP side
// carries a server's clock time this way; the disk side converts to and from
// local time around these).

#include "common/DateTime.h"
#include "common/FileTime.h"

// The file time of a calendar time. The fields must be valid (IsValidCalendarTime)
// and the date not before 1601-01-01; otherwise the zero file time is returned.
FileTime FileTimeFromCalendar(const CalendarTime& time);

// The calendar fields of a file time, milliseconds included (ticks below one
// millisecond are dropped), like FileTimeToSystemTime.
CalendarTime CalendarFromFileTime(const FileTime& fileTime);
