#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "platform/DateFormat.h"

namespace {

double Day(int year, int month, int day) {
    return EncodeDateTime({year, month, day, 0, 0, 0, 0});
}

TEST(DateFormatTest, ReadsDatesByLocaleFormats) {
    struct {
        const char *text, *format;
        double expected;  // 0: must be rejected
    } cases[] = {
        {"31.12.2024", "%d.%m.%Y", Day(2024, 12, 31)},
        {"1.2.2024", "%d.%m.%Y", Day(2024, 2, 1)},
        {"01.02.24", "%d.%m.%Y", Day(2024, 2, 1)},
        {"01.02.99", "%d.%m.%Y", Day(1999, 2, 1)},
        {"29.02.2024", "%d.%m.%Y", Day(2024, 2, 29)},
        {" 29.02.2024 ", "%d.%m.%Y", Day(2024, 2, 29)},
        {"12/31/24", "%m/%d/%y", Day(2024, 12, 31)},
        {"12/31/24", "%D", Day(2024, 12, 31)},
        {"31/12/2024", "%d/%m/%Y", Day(2024, 12, 31)},
        {"2024-12-31", "%F", Day(2024, 12, 31)},
        {"2024. 12. 31.", "%Y. %m. %d.", Day(2024, 12, 31)},
        {"2024.  12. 31.", "%Y. %m. %d.", Day(2024, 12, 31)},
        {"3.7.2024", "%-d.%-m.%Y", Day(2024, 7, 3)},
        {"24.12", "%d.%m.%Y", Day(2030, 12, 24)},  // year left out: the current one
        {"24.12.", "%d.%m.%Y", Day(2030, 12, 24)},
        // impossible or malformed
        {"31.02.2024", "%d.%m.%Y", 0},
        {"29.02.2023", "%d.%m.%Y", 0},
        {"00.01.2024", "%d.%m.%Y", 0},
        {"01.13.2024", "%d.%m.%Y", 0},
        {"01.01.202", "%d.%m.%Y", 0},
        {"01.01.20245", "%d.%m.%Y", 0},
        {"001.01.2024", "%d.%m.%Y", 0},
        {"01-01-2024", "%d.%m.%Y", 0},
        {"01.01.2024x", "%d.%m.%Y", 0},
        {"not-a-date", "%d.%m.%Y", 0},
        {"", "%d.%m.%Y", 0},
        {"12", "%d.%m.%Y", 0},
        {"2024/12", "%Y/%m/%d", 0},  // only a final year may be left out
        {"1 Jan 2024", "%d %b %Y", 0},
        {"01.01.2024", "%d.%m", 0},
    };
    for (auto& c : cases) {
        double value = -1;
        bool ok = platform::ParseDateByFormat(c.text, c.format, 2030, value);
        if (c.expected == 0) {
            EXPECT_FALSE(ok) << c.text << " as " << c.format;
        } else {
            EXPECT_TRUE(ok) << c.text << " as " << c.format;
            EXPECT_EQ(value, c.expected) << c.text << " as " << c.format;
        }
    }
}

TEST(DateFormatTest, IsoDatesOnlyInTheirExactForm) {
    double value = 0;
    EXPECT_TRUE(platform::ParseIsoDate("2024-02-29", value));
    EXPECT_EQ(value, Day(2024, 2, 29));
    for (const char* bad : {"2024-02-30", "2023-02-29", "2024-2-29", "24-02-29", "2024-02-29 ",
                            "2024/02/29", "0000-01-01", "2024-00-10", "abcd-ef-gh"})
        EXPECT_FALSE(platform::ParseIsoDate(bad, value)) << bad;
}

TEST(DateFormatTest, WindowsDatePicturesAsFormats) {
    const struct {
        const char *picture, *format;
    } cases[] = {
        {"M/d/yyyy", "%m/%d/%Y"},
        {"dd.MM.yy", "%d.%m.%Y"},
        {"yyyy-MM-dd", "%Y-%m-%d"},
        {"d 'de' MM yyyy", "%d de %m %Y"},
        {"gg yyyy/MM/dd", " %Y/%m/%d"},
        {"100% dd.MM.yyyy", "100%% %d.%m.%Y"},
        {"dd-MMM-yyyy", ""},
        {"dddd, MMMM d, yyyy", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::ShortDatePictureAsFormat(c.picture), c.format) << c.picture;
    double value = 0;
    ASSERT_TRUE(platform::ParseDateByFormat(
        "12/6/2026", platform::ShortDatePictureAsFormat("M/d/yyyy"), 2026, value));
    EXPECT_EQ(value, Day(2026, 12, 6));
}

}  // namespace
