#include "common/DateTime.h"

#include <cmath>

namespace {

// Days between 1899-12-30 and 1970-01-01.
constexpr int64_t EpochOffsetDays = 25569;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(y + (month <= 2));
}

}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
    int64_t y = int64_t(year) - (month <= 2);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsValidCalendarTime(const CalendarTime& t) {
    if (t.Year < 1 || t.Year > 9999 || t.Month < 1 || t.Month > 12) return false;
    if (t.Day < 1 || t.Day > DaysInMonth(t.Year, t.Month)) return false;
    return t.Hour >= 0 && t.Hour < 24 && t.Minute >= 0 && t.Minute < 60 && t.Second >= 0 &&
           t.Second < 60 && t.Millisecond >= 0 && t.Millisecond < 1000;
}

double EncodeDateTime(const CalendarTime& t) {
    double days = double(DaysFromCivil(t.Year, t.Month, t.Day) + EpochOffsetDays);
    double milliseconds = ((t.Hour * 60.0 + t.Minute) * 60.0 + t.Second) * 1000.0 + t.Millisecond;
    return days + milliseconds / (SecondsPerDay * 1000.0);
}

CalendarTime DecodeDateTime(double dateTime) {
    // Work in whole milliseconds so that 12:00:00 never decodes as 11:59:59.999.
    int64_t totalMs = int64_t(std::llround(dateTime * SecondsPerDay * 1000.0));
    int64_t msPerDay = int64_t(SecondsPerDay) * 1000;
    int64_t days = totalMs >= 0 ? totalMs / msPerDay : -((-totalMs + msPerDay - 1) / msPerDay);
    int64_t msOfDay = totalMs - days * msPerDay;
    CalendarTime t;
    CivilFromDays(days - EpochOffsetDays, t.Year, t.Month, t.Day);
    t.Millisecond = int(msOfDay % 1000);
    int64_t seconds = msOfDay / 1000;
    t.Second = int(seconds % 60);
    t.Minute = int((seconds / 60) % 60);
    t.Hour = int(seconds / 3600);
    return t;
}
