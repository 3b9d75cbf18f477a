#include <gtest/gtest.h>

#include "platform/FileTimes.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr uint64_t TicksPerSecond = 10000000ULL;
// 2021-06-15 10:20:30 UTC and 2021-01-15 10:20:30 UTC.
constexpr uint64_t June = 132682260300000000ULL;
constexpr uint64_t January = June - 151ULL * 86400 * TicksPerSecond;

TEST(FileTimesTest, CalendarRoundTrip) {
    struct Case {
        CalendarTime time;
    } cases[] = {
        {{1601, 1, 1, 0, 0, 0, 0}},       {{1980, 1, 1, 0, 0, 0, 0}},
        {{2000, 2, 29, 23, 59, 59, 999}}, {{2107, 12, 31, 23, 59, 58, 0}},
        {{2021, 6, 15, 10, 20, 30, 0}},
    };
    for (const Case& c : cases) {
        FileTime fileTime;
        ASSERT_TRUE(platform::CalendarToFileTime(c.time, fileTime)) << c.time.Year;
        CalendarTime back;
        ASSERT_TRUE(platform::FileTimeToCalendar(fileTime, back));
        EXPECT_EQ(EncodeDateTime(back), EncodeDateTime(c.time)) << c.time.Year;
    }
    FileTime june;
    ASSERT_TRUE(platform::CalendarToFileTime({2021, 6, 15, 10, 20, 30, 0}, june));
    EXPECT_EQ(june.Ticks(), June);
}

TEST(FileTimesTest, CalendarRefusesWhatItCannotHold) {
    FileTime fileTime;
    EXPECT_FALSE(platform::CalendarToFileTime({1600, 12, 31, 0, 0, 0, 0}, fileTime));
    EXPECT_FALSE(platform::CalendarToFileTime({2021, 2, 29, 0, 0, 0, 0}, fileTime));
    CalendarTime calendar;
    EXPECT_FALSE(platform::FileTimeToCalendar(FileTime{0, 0x80000000u}, calendar));
    EXPECT_TRUE(platform::FileTimeToCalendar(FileTime{}, calendar));
    EXPECT_EQ(calendar.Year, 1601);
}

TEST(FileTimesTest, LocalTimeUsesTheOffsetInForceAtThatInstant) {
    ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    struct Case {
        uint64_t utc;
        int64_t offsetHours;
    } cases[] = {{June, 2}, {January, 1}};
    for (const Case& c : cases) {
        FileTime local, back;
        ASSERT_TRUE(platform::FileTimeToLocalFileTime(FileTime::FromTicks(c.utc), local));
        EXPECT_EQ(int64_t(local.Ticks() - c.utc), c.offsetHours * 3600 * int64_t(TicksPerSecond));
        ASSERT_TRUE(platform::LocalFileTimeToFileTime(local, back));
        EXPECT_EQ(back.Ticks(), c.utc);
    }
}

TEST(FileTimesTest, UtcZoneChangesNothingAndKeepsFractions) {
    ScopedTimeZone utc("UTC");
    FileTime time = FileTime::FromTicks(June + 1234567);
    FileTime local, back;
    ASSERT_TRUE(platform::FileTimeToLocalFileTime(time, local));
    EXPECT_EQ(local.Ticks(), time.Ticks());
    ASSERT_TRUE(platform::LocalFileTimeToFileTime(local, back));
    EXPECT_EQ(back.Ticks(), time.Ticks());
}

}  // namespace
