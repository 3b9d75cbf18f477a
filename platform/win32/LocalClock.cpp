#include <windows.h>

#include "common/DateTime.h"
#include "platform/LocalClock.h"

namespace platform {

double CurrentLocalDateTime() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    CalendarTime time;
    time.Year = now.wYear;
    time.Month = now.wMonth;
    time.Day = now.wDay;
    time.Hour = now.wHour;
    time.Minute = now.wMinute;
    time.Second = now.wSecond;
    time.Millisecond = now.wMilliseconds;
    return EncodeDateTime(time);
}

}  // namespace platform
