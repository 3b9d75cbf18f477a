#pragma once
// Date-time values: a double counting days since 30 December 1899 00:00, the
// fraction being the time of day (one second is 1/86400). Pure calendar
// arithmetic (proleptic Gregorian); no time zone is involved here.

#include <cstdint>

struct CalendarTime {
    int Year = 1899;
    int Month = 12;  // 1-12
    int Day = 30;    // 1-31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

constexpr double SecondsPerDay = 24.0 * 3600.0;
constexpr double OneSecond = 1.0 / SecondsPerDay;

bool IsValidCalendarTime(const CalendarTime& time);
// The date-time of a calendar time; the fields must be valid.
double EncodeDateTime(const CalendarTime& time);
// The calendar time of a date-time, rounded to the nearest millisecond.
CalendarTime DecodeDateTime(double dateTime);
// Days from 1970-01-01 to the given civil date (negative before it).
int64_t DaysFromCivil(int year, int month, int day);
