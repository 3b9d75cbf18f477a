#include <gtest/gtest.h>

#include "common/FileTimeCalendar.h"

namespace {

TEST(FileTimeCalendarTest, KnownInstants) {
    // 1970-01-01 is 11644473600 seconds after 1601-01-01.
    EXPECT_EQ(FileTimeFromCalendar({1970, 1, 1, 0, 0, 0, 0}).Ticks(), 116444736000000000ull);
    EXPECT_EQ(FileTimeFromCalendar({1601, 1, 1, 0, 0, 0, 0}).Ticks(), 0ull);
    EXPECT_EQ(FileTimeFromCalendar({1601, 1, 1, 0, 0, 1, 5}).Ticks(), 10050000ull);
}

TEST(FileTimeCalendarTest, RoundTripKeepsMilliseconds) {
    const CalendarTime times[] = {{2026, 12, 8, 1, 37, 0, 0},
                                  {2024, 2, 29, 23, 59, 59, 999},
                                  {1601, 1, 1, 0, 0, 0, 0},
                                  {9999, 12, 31, 23, 59, 59, 999},
                                  {1899, 12, 29, 12, 0, 0, 1}};
    for (const CalendarTime& t : times) {
        CalendarTime back = CalendarFromFileTime(FileTimeFromCalendar(t));
        EXPECT_EQ(back.Year, t.Year);
        EXPECT_EQ(back.Month, t.Month);
        EXPECT_EQ(back.Day, t.Day);
        EXPECT_EQ(back.Hour, t.Hour);
        EXPECT_EQ(back.Minute, t.Minute);
        EXPECT_EQ(back.Second, t.Second);
        EXPECT_EQ(back.Millisecond, t.Millisecond);
    }
}

TEST(FileTimeCalendarTest, InvalidOrEarlyTimesGiveZero) {
    EXPECT_TRUE(FileTimeFromCalendar({2023, 2, 29, 0, 0, 0, 0}).IsZero());
    EXPECT_TRUE(FileTimeFromCalendar({1600, 12, 31, 23, 59, 59, 0}).IsZero());
}

TEST(FileTimeCalendarTest, TicksBelowAMillisecondAreDropped) {
    FileTime t = FileTime::FromTicks(FileTimeFromCalendar({2026, 1, 1, 0, 0, 0, 0}).Ticks() + 9999);
    EXPECT_EQ(CalendarFromFileTime(t).Millisecond, 0);
}

}  // namespace
