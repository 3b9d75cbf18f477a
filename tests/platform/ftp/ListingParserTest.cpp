#include <gtest/gtest.h>

#include <string>

#include "common/FileTimeCalendar.h"
#include "platform/ftp/ListingParser.h"
#include "tests/platform/ftp/ListingSamples.h"

namespace {

std::string Describe(const CalendarTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return text;
}

void ExpectRecord(const ListingSample& sample, const platform::FindData& entry) {
    EXPECT_EQ(entry.Name, sample.Name);
    EXPECT_EQ(entry.Attributes, sample.Attributes);
    EXPECT_EQ(entry.SizeHigh, uint32_t(sample.Size >> 32));
    EXPECT_EQ(entry.SizeLow, uint32_t(sample.Size));
    EXPECT_EQ(Describe(CalendarFromFileTime(entry.LastWriteTime)), Describe(sample.Time));
    EXPECT_EQ(entry.CreationTime.Ticks(), entry.LastWriteTime.Ticks());
    EXPECT_EQ(entry.LastAccessTime.Ticks(), entry.LastWriteTime.Ticks());
}

TEST(ListingParserTest, EachSampleLineGivesItsRecord) {
    for (const ListingSample& sample : ListingSamples()) {
        SCOPED_TRACE(sample.Line);
        platform::FindData entry;
        bool parsed = ParseListingLine(sample.Line, ListingSampleNow(), entry);
        ASSERT_EQ(parsed, sample.IsEntry);
        if (parsed) ExpectRecord(sample, entry);
    }
}

std::string JoinSamples(const char* lineEnd) {
    std::string text;
    for (const ListingSample& sample : ListingSamples()) text += sample.Line + lineEnd;
    return text;
}

TEST(ListingParserTest, WholeTableAsOneStreamGivesTheEntriesInOrder) {
    for (const char* lineEnd : {"\r\n", "\n"}) {
        SCOPED_TRACE(lineEnd[0] == '\r' ? "CR LF" : "LF");
        std::vector<platform::FindData> entries =
            ParseListing(JoinSamples(lineEnd), ListingSampleNow());
        size_t next = 0;
        for (const ListingSample& sample : ListingSamples()) {
            if (!sample.IsEntry) continue;
            SCOPED_TRACE(sample.Line);
            ASSERT_LT(next, entries.size());
            ExpectRecord(sample, entries[next++]);
        }
        EXPECT_EQ(next, entries.size());
    }
}

TEST(ListingParserTest, LastLineWithoutLineEndIsRead) {
    std::string text = "total 1\r\n-rw-r--r-- 1 u g 7 Dec  8 01:00 last";
    std::vector<platform::FindData> entries = ParseListing(text, ListingSampleNow());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, "last");
}

// The yearless date is put in now's year unless that lies more than the slack of
// two days after now; a server a few time zones ahead lists a just-made file with
// a time later than ours.
struct YearCase {
    const char* Date;  // "Mmm dd hh:mm"
    CalendarTime Now;
    int Year;
};

TEST(ListingParserTest, YearlessDateTakesTheYearThatIsNotInTheFuture) {
    const YearCase cases[] = {
        {"Jun 01 12:30", {2026, 6, 1, 8, 0, 0, 0}, 2026},     // 4.5 hours ahead: this year
        {"Jun 03 07:59", {2026, 6, 1, 8, 0, 0, 0}, 2026},     // just inside two days
        {"Jun 03 08:01", {2026, 6, 1, 8, 0, 0, 0}, 2025},     // just beyond
        {"Dec 31 23:59", {2027, 1, 1, 0, 30, 0, 0}, 2026},    // across the new year
        {"Jan 01 00:10", {2026, 12, 31, 23, 0, 0, 0}, 2026},  // slack does not reach into next year
        {"Jan 01 00:00", {2027, 1, 1, 0, 0, 0, 0}, 2027},     // exactly now
        {"Feb 29 10:00", {2028, 3, 1, 0, 0, 0, 0}, 2028},     // leap year
        {"Feb 29 10:00", {2025, 1, 10, 0, 0, 0, 0}, 2024},    // back to the last leap year
    };
    for (const YearCase& c : cases) {
        SCOPED_TRACE(std::string(c.Date) + " now " + Describe(c.Now));
        platform::FindData entry;
        ASSERT_TRUE(
            ParseListingLine(std::string("-rw-r--r-- 1 u g 1 ") + c.Date + " f", c.Now, entry));
        CalendarTime listed = CalendarFromFileTime(entry.LastWriteTime);
        EXPECT_EQ(listed.Year, c.Year);
    }
}

// Whatever control bytes a server slips into a line, the parser neither crashes
// nor loops, and the split into lines stays consistent.
TEST(ListingParserTest, ControlBytesAtEveryPositionAreSurvived) {
    const std::string inserts[] = {"\r", "\n", "\t", std::string(1, '\0')};
    size_t parsed = 0;
    for (const ListingSample& sample : ListingSamples()) {
        for (size_t pos = 0; pos <= sample.Line.size(); ++pos) {
            for (const std::string& insert : inserts) {
                std::string line = sample.Line;
                line.insert(pos, insert);
                platform::FindData entry;
                if (ParseListingLine(line, ListingSampleNow(), entry)) ++parsed;
                std::vector<platform::FindData> entries =
                    ParseListing(line + "\r\n", ListingSampleNow());
                EXPECT_LE(entries.size(), 2u) << line;
            }
        }
    }
    EXPECT_GT(parsed, 0u);
}

}  // namespace
