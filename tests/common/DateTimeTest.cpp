#include <gtest/gtest.h>

#include "common/DateTime.h"

namespace {

TEST(DateTimeTest, KnownDaysAndTimes) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1970, 1, 1, 0, 0, 0, 0}), 25569.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 3, 1, 12, 0, 0, 0}), 36586.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 0, 0, 0, 0}), -1.0);
}

TEST(DateTimeTest, RoundTripKeepsEverySecond) {
    CalendarTime t{2026, 2, 28, 23, 59, 59, 0};
    for (int step = 0; step < 5000; ++step) {
        double value = EncodeDateTime(t) + step * OneSecond;
        CalendarTime back = DecodeDateTime(value);
        EXPECT_DOUBLE_EQ(EncodeDateTime(back), value);
        EXPECT_EQ(back.Millisecond, 0);
    }
    CalendarTime leap = DecodeDateTime(EncodeDateTime({2024, 2, 29, 12, 0, 1, 0}));
    EXPECT_EQ(leap.Month, 2);
    EXPECT_EQ(leap.Day, 29);
    EXPECT_EQ(leap.Second, 1);
}

TEST(DateTimeTest, InvalidDatesAreRejected) {
    EXPECT_FALSE(IsValidCalendarTime({2024, 2, 30, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidCalendarTime({2023, 2, 29, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidCalendarTime({2024, 13, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidCalendarTime({2024, 1, 1, 24, 0, 0, 0}));
    EXPECT_TRUE(IsValidCalendarTime({2024, 2, 29, 23, 59, 59, 999}));
}

}  // namespace
