#include <gtest/gtest.h>

#include <string>

#include "common/FileTimeCalendar.h"
#include "internet/protocol/ListingParser.h"
#include "tests/internet/protocol/ListingSamples.h"

using namespace ftpprotocol;

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

// MLSD lines as ProFTPD 1.3.8, Pure-FTPd 1.0.50 and pyftpdlib 1.5.7 send them,
// and lines that are not of the form.
TEST(ListingParserTest, MachineReadableLinesOfRealServers) {
    constexpr uint32_t F = platform::Attribute::Normal, D = platform::Attribute::Directory,
                       R = platform::Attribute::ReadOnly, L = platform::Attribute::ReparsePoint,
                       X = platform::Attribute::Device;
    const CalendarTime at{2026, 12, 8, 23, 16, 23, 0};
    const ListingSample samples[] = {
        // ProFTPD: facts in alphabetical order; a read-only file by its mode.
        {"modify=20261208231623;perm=adfr;size=8;type=file;unique=FE00UA74054;UNIX.group=2121;"
         "UNIX.groupname=ftpm;UNIX.mode=0444;UNIX.owner=2121;UNIX.ownername=user; plain.txt",
         true, "plain.txt", R, 8, at},
        {"modify=20261208231623;perm=flcdmpe;type=cdir;unique=FE00UA7404D;UNIX.mode=0755; .", true,
         ".", D, 0, at},
        {"modify=20261208231623;perm=flcdmpe;type=pdir;UNIX.mode=0755; ..", true, "..", D, 0, at},
        {"modify=20261208231623;perm=adfrw;size=7;type=OS.unix=symlink;UNIX.mode=0777; todir", true,
         "todir", L, 7, at},
        // Pure-FTPd: type first, a folder's size as sizd, links as slink.
        {"type=file;size=6;modify=20261208231623;UNIX.mode=0644;unique=fe00ga7282a; a  b.txt", true,
         "a  b.txt", F, 6, at},
        {"type=cdir;sizd=258048;modify=20261208231623;UNIX.mode=0755; /big", true, ".", D, 0, at},
        {"type=OS.unix=slink:;size=13;modify=20261208231623;UNIX.mode=0777; tofile", true, "tofile",
         L, 13, at},
        // pyftpdlib: the name keeps what follows the one blank, ";" included; a
        // fraction of a second; an unknown type is neither file nor folder.
        {"modify=20261208231623.5;perm=radfwMT;size=2;type=file; semi;colon ", true, "semi;colon ",
         F, 2, CalendarTime{2026, 12, 8, 23, 16, 23, 500}},
        {"type=dir;modify=20261208231623;perm=elcmp; sub", true, "sub", D, 0, at},
        // pyftpdlib's mode, once asked for with OPTS MLST, in Python's octal.
        {"modify=20261208231623;perm=radfwMT;size=3;type=file;unix.mode=0o444; ro.txt", true,
         "ro.txt", R, 3, at},
        {"type=OS.unix=chr-4/5;modify=20261208231623; tty", true, "tty", X, 0, at},
        {"type=file;size=1; no time", true, "no time", F, 1, CalendarTime{}},
        {"-rw-r--r-- 1 u g 3 Dec  8 01:00 a LIST line", false, "", 0, 0, at},
        {"size=1; no type", false, "", 0, 0, at},
        {"type=file;size=1;", false, "", 0, 0, at},
        {"type=file;size=x1; bad size", false, "", 0, 0, at},
        {"type=file;modify=20261340000000; impossible time", false, "", 0, 0, at},
    };
    for (const ListingSample& sample : samples) {
        SCOPED_TRACE(sample.Line);
        platform::FindData entry;
        const bool parsed = ParseMlsdListingLine(sample.Line, ListingSampleNow(), entry);
        ASSERT_EQ(parsed, sample.IsEntry);
        if (parsed) ExpectRecord(sample, entry);
    }
}

}  // namespace
