#include "platform/LocalClock.h"

#include <time.h>

#include "common/DateTime.h"

namespace platform {

double CurrentLocalDateTime() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    localtime_r(&now.tv_sec, &local);
    CalendarTime time;
    time.Year = local.tm_year + 1900;
    time.Month = local.tm_mon + 1;
    time.Day = local.tm_mday;
    time.Hour = local.tm_hour;
    time.Minute = local.tm_min;
    // A leap second (60) is counted as the last second of its minute.
    time.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
    time.Millisecond = int(now.tv_nsec / 1000000);
    return EncodeDateTime(time);
}

}  // namespace platform
