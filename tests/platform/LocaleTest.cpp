#include <gtest/gtest.h>
#include <locale.h>
#include <time.h>

#include <cmath>
#include <regex>

#include "common/DateTime.h"
#include "platform/LocalClock.h"
#include "platform/Locale.h"

namespace {

// The tests run in the C locale, whatever the environment says.
class LocaleTest : public ::testing::Test {
protected:
    void SetUp() override { setlocale(LC_TIME, "C"); }
    void TearDown() override { setlocale(LC_TIME, "C"); }
};

TEST_F(LocaleTest, ShortDateOfTheCLocaleAndIso) {
    double value = 0;
    ASSERT_TRUE(platform::ParseShortDate("12/31/24", value));
    EXPECT_EQ(value, EncodeDateTime({2024, 12, 31, 0, 0, 0, 0}));
    ASSERT_TRUE(platform::ParseShortDate("2024-02-29", value));
    EXPECT_EQ(value, EncodeDateTime({2024, 2, 29, 0, 0, 0, 0}));
    for (const char* bad : {"31.02.2024", "2024-02-30", "02/30/24", "not-a-date", ""})
        EXPECT_FALSE(platform::ParseShortDate(bad, value)) << bad;
}

TEST_F(LocaleTest, CFormatInTheCLocale) {
    EXPECT_EQ(platform::FormatDateTimeC(EncodeDateTime({2026, 12, 6, 18, 13, 58, 0})),
              "2026-12-06 18:13:58");
    EXPECT_EQ(platform::FormatDateTimeC(EncodeDateTime({2026, 1, 2, 0, 0, 1, 0})),
              "2026-01-02 00:00:01");
    // Exactly midnight: the date alone.
    EXPECT_EQ(platform::FormatDateTimeC(EncodeDateTime({2026, 1, 2, 0, 0, 0, 0})), "2026-01-02");
}

TEST_F(LocaleTest, CFormatInAUserLocaleUsesItsOwnFormats) {
    if (setlocale(LC_TIME, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale here";
    EXPECT_EQ(platform::FormatDateTimeC(EncodeDateTime({2026, 12, 6, 18, 13, 58, 0})),
              "06.12.2026 18:13:58");
    double value = 0;
    EXPECT_TRUE(platform::ParseShortDate("06.12.2026", value));
    EXPECT_FALSE(platform::ParseShortDate("31.02.2024", value));
}

TEST(LocalClockTest, NowIsTheLocalTime) {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    double expected = EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                      local.tm_hour, local.tm_min, local.tm_sec, 0});
    EXPECT_LT(std::fabs(platform::CurrentLocalDateTime() - expected), 5 * OneSecond);
}

}  // namespace
