// What the client reads out of the text of real servers' replies: whether a
// listing's positive closing reply vouches for it, a file's size and time, the
// size a download announces, and a folder listed over the control connection.

#include <gtest/gtest.h>

#include "common/FileTimeCalendar.h"
#include "internet/protocol/FileFactReplies.h"
#include "internet/protocol/ListingEnd.h"
#include "internet/protocol/ListingParser.h"
#include "tests/internet/protocol/ListingSamples.h"

using namespace ftpprotocol;

namespace {

TEST(ServerReplyTexts, ClosingRepliesOfListingsSayWhetherTheyAreWhole) {
    const struct {
        const char* Reply;
        ListingEnd Expected;
    } cases[] = {
        {"226 Directory send OK.\r\n", ListingEnd::Complete},                              // vsftpd
        {"226 Transfer complete\r\n", ListingEnd::Complete},                               // ProFTPD
        {"226-Options: -a -l \r\n226 7 matches total\r\n", ListingEnd::Complete},           // Pure-FTPd
        {"226 Transfer done (but failed to open directory).\r\n", ListingEnd::Failed},     // vsftpd
        {"226-Sorry, we were unable to read [.]\r\n226-Options: -a -l \r\n226 0 matches total\r\n",
         ListingEnd::Failed},
        {"226-Out of memory during globbing of f0*\r\n226-(This probably means \"Permission "
         "denied\")\r\n226 0 matches total\r\n",
         ListingEnd::Failed},
        {"226-Options: -a -l \r\n226 Output truncated to 10000 matches\r\n", ListingEnd::Truncated},
        {"226 OUTPUT TRUNCATED TO 10000 MATCHES\r\n", ListingEnd::Truncated},
    };
    for (const auto& c : cases) EXPECT_EQ(JudgeListingEnd(c.Reply), c.Expected) << c.Reply;
}

TEST(ServerReplyTexts, SizesAndTimesOfOneFile) {
    uint64_t size = 0;
    EXPECT_TRUE(ReadSizeReply("213 20000000\r\n", size));
    EXPECT_EQ(size, 20000000u);
    EXPECT_TRUE(ReadSizeReply("213 0", size));
    EXPECT_EQ(size, 0u);
    for (const char* refused : {"550 Could not get file size.\r\n", "213 \r\n", "213 12a\r\n",
                                "213-12\r\n", "213 99999999999999999999999\r\n"})
        EXPECT_FALSE(ReadSizeReply(refused, size)) << refused;

    FileTime time;
    ASSERT_TRUE(ReadTimeReply("213 20261208230255\r\n", time));
    CalendarTime calendar = CalendarFromFileTime(time);
    EXPECT_EQ(calendar.Year * 10000 + calendar.Month * 100 + calendar.Day, 20261208);
    EXPECT_EQ(calendar.Hour * 10000 + calendar.Minute * 100 + calendar.Second, 230255);
    ASSERT_TRUE(ReadTimeReply("213 20261208230255.123\r\n", time));
    EXPECT_EQ(CalendarFromFileTime(time).Millisecond, 123);
    for (const char* refused : {"550 Could not get file modification time.\r\n",
                                "213 2026120823025\r\n", "213 20261308230255\r\n",
                                "213 20261208230255.x\r\n"})
        EXPECT_FALSE(ReadTimeReply(refused, time)) << refused;

    EXPECT_TRUE(ReadAnnouncedSize(
        "150 Opening BINARY mode data connection for big.bin (20000000 bytes).\r\n", size));
    EXPECT_EQ(size, 20000000u);
    EXPECT_TRUE(ReadAnnouncedSize("150 Opening BINARY mode data connection for a (b) (3 bytes)\r\n",
                                  size));
    EXPECT_EQ(size, 3u);
    for (const char* silent : {"125 Data connection already open. Transfer starting.\r\n",
                               "150-Accepted data connection\r\n150 19531.2 kbytes to download\r\n",
                               "150 Opening data connection for x (many bytes)\r\n"})
        EXPECT_FALSE(ReadAnnouncedSize(silent, size)) << silent;
}

std::vector<std::string> NamesOf(const std::vector<platform::FindData>& entries) {
    std::vector<std::string> names;
    for (const platform::FindData& entry : entries) names.push_back(entry.Name);
    return names;
}

TEST(ServerReplyTexts, FoldersListedOverTheControlConnection) {
    using Names = std::vector<std::string>;
    const CalendarTime now = ListingSampleNow();
    // vsftpd: an empty folder lists "." and ".."; one it cannot read, itself.
    EXPECT_EQ(NamesOf(ParseStatusListing(
                  "213-Status follows:\r\n"
                  "drwxr-xr-x    2 2121     2121         4096 Dec 08 23:02 .\r\n"
                  "drwxr-xr-x    6 2121     2121         4096 Dec 08 23:04 ..\r\n"
                  "213 End of status\r\n",
                  now)),
              (Names{".", ".."}));
    EXPECT_EQ(NamesOf(ParseStatusListing(
                  "213-Status follows:\r\n"
                  "d-wx--x--x    2 2121     2121         4096 Dec 08 23:02 unread\r\n"
                  "213 End of status\r\n",
                  now)),
              (Names{"unread"}));
    // ProFTPD indents every line by one blank, and lists nothing it cannot read.
    EXPECT_EQ(NamesOf(ParseStatusListing(
                  "212-Status of /many:\r\n"
                  " -rw-r--r--   1 user     ftpm            5 Dec  8 23:03  lead.txt\r\n"
                  " drwxr-xr-x   2 user     ftpm         4096 Dec  8 23:03 .\r\n"
                  "212 End of status\r\n",
                  now)),
              (Names{" lead.txt", "."}));
    EXPECT_TRUE(ParseStatusListing("212-Status of /unread:\r\n212 End of status\r\n", now).empty());
    // Pure-FTPd says in words that it could not read it.
    EXPECT_TRUE(ParseStatusListing(
                    "213-STAT\r\n213-Sorry, we were unable to read [unread]\r\n213 End.\r\n", now)
                    .empty());
}

}  // namespace
