#include "platform/ftp/FileTimeCalendar.h"

platform::FileTime FileTimeFromCalendar(const CalendarTime&) { return {}; }

CalendarTime CalendarFromFileTime(const platform::FileTime&) { return {}; }
