#include <windows.h>

#include "common/DateTime.h"
#include "platform/DateFormat.h"
#include "platform/LocalClock.h"
#include "platform/Locale.h"

namespace platform {

namespace {

std::string LocaleText(LCTYPE item) {
    char buffer[128];
    int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof buffer);
    return length > 1 ? std::string(buffer, size_t(length - 1)) : std::string();
}

}  // namespace

// Windows programs always follow the user's settings: nothing to take over.
void UseUserLocale() {}

bool ParseShortDate(const std::string& text, double& dateTime) {
    CalendarTime today = DecodeDateTime(CurrentLocalDateTime());
    std::string format = ShortDatePictureAsFormat(LocaleText(LOCALE_SSHORTDATE));
    if (!format.empty() && ParseDateByFormat(text, format, today.Year, dateTime)) return true;
    return ParseIsoDate(text, dateTime);
}

std::string FormatDateTimeC(double dateTime) {
    CalendarTime time = DecodeDateTime(dateTime);
    SYSTEMTIME fields{};
    fields.wYear = WORD(time.Year);
    fields.wMonth = WORD(time.Month);
    fields.wDay = WORD(time.Day);
    fields.wHour = WORD(time.Hour);
    fields.wMinute = WORD(time.Minute);
    fields.wSecond = WORD(time.Second);
    char buffer[128];
    int length = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &fields, nullptr, buffer,
                                  sizeof buffer);
    std::string text = length > 1 ? std::string(buffer, size_t(length - 1)) : std::string();
    if (time.Hour == 0 && time.Minute == 0 && time.Second == 0) return text;
    length = ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &fields, nullptr, buffer, sizeof buffer);
    if (length > 1) text += " " + std::string(buffer, size_t(length - 1));
    return text;
}

}  // namespace platform
