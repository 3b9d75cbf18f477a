#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <cstring>

#include "common/DateTime.h"
#include "platform/DateFormat.h"
#include "platform/LocalClock.h"

namespace platform {

namespace {

// The C and POSIX locales' own short date (%m/%d/%y) is ambiguous; there the
// program writes ISO dates instead.
bool IsPlainLocale() {
    const char* name = setlocale(LC_TIME, nullptr);
    if (name == nullptr) return true;
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

std::string Format(const char* format, const CalendarTime& time) {
    struct tm parts {};
    parts.tm_year = time.Year - 1900;
    parts.tm_mon = time.Month - 1;
    parts.tm_mday = time.Day;
    parts.tm_hour = time.Hour;
    parts.tm_min = time.Minute;
    parts.tm_sec = time.Second;
    parts.tm_isdst = -1;
    // Fill in the weekday and day of the year for formats that show them,
    // without letting the time zone move the fields.
    struct tm normalised = parts;
    time_t seconds = timegm(&normalised);
    if (seconds != time_t(-1)) {
        parts.tm_wday = normalised.tm_wday;
        parts.tm_yday = normalised.tm_yday;
    }
    char buffer[256];
    size_t length = strftime(buffer, sizeof buffer, format, &parts);
    return std::string(buffer, length);
}

}  // namespace

void UseUserLocale() {
    setlocale(LC_TIME, "");
}

bool ParseShortDate(const std::string& text, double& dateTime) {
    CalendarTime today = DecodeDateTime(CurrentLocalDateTime());
    const char* format = nl_langinfo(D_FMT);
    if (format != nullptr && *format != '\0' &&
        ParseDateByFormat(text, format, today.Year, dateTime))
        return true;
    return ParseIsoDate(text, dateTime);
}

std::string FormatDateTimeC(double dateTime) {
    CalendarTime time = DecodeDateTime(dateTime);
    bool midnight = time.Hour == 0 && time.Minute == 0 && time.Second == 0;
    bool plain = IsPlainLocale();
    std::string text = Format(plain ? "%Y-%m-%d" : nl_langinfo(D_FMT), time);
    if (!midnight) text += " " + Format(plain ? "%H:%M:%S" : nl_langinfo(T_FMT), time);
    return text;
}

}  // namespace platform
