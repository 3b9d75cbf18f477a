#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internet/protocol/FtpReply.h"

using namespace ftpprotocol;
using namespace std::string_literals;

namespace {

using Status = FtpReplyReader::Status;

struct ReplyCase {
    const char* Note;
    std::string Input;
    std::vector<FtpReply> Replies;  // in order
    Status Final;                   // what Next says once they are taken
};

const std::vector<ReplyCase>& ReplyCases() {
    static const std::vector<ReplyCase> cases = {
        {"single line",
         "220 Service ready\r\n",
         {{220, "220 Service ready\r\n"}},
         Status::NeedMore},
        {"bare LF is a line end, stored as CR LF",
         "220 ok\n",
         {{220, "220 ok\r\n"}},
         Status::NeedMore},
        {"just the code", "200\r\n", {{200, "200\r\n"}}, Status::NeedMore},
        {"two replies in one read",
         "150 Opening data connection\r\n226 Transfer complete\r\n",
         {{150, "150 Opening data connection\r\n"}, {226, "226 Transfer complete\r\n"}},
         Status::NeedMore},
        {"multi-line",
         "230-Welcome\r\n230-second\r\n230 Login successful\r\n",
         {{230, "230-Welcome\r\n230-second\r\n230 Login successful\r\n"}},
         Status::NeedMore},
        // Inner lines may begin with anything, other codes and blanks included; only
        // the same code followed by a blank ends the reply.
        {"multi-line with code-like inner lines",
         "211-Features:\r\n MDTM\r\n227 not the end\r\n211-still not\r\n2111 nor this\r\n"
         "211 End\r\n",
         {{211,
           "211-Features:\r\n MDTM\r\n227 not the end\r\n211-still not\r\n2111 nor this\r\n"
           "211 End\r\n"}},
         Status::NeedMore},
        {"multi-line ended by a bare code",
         "220-Hello\r\n220\r\n",
         {{220, "220-Hello\r\n220\r\n"}},
         Status::NeedMore},
        {"multi-line with blank inner lines",
         "220-Banner\r\n\r\n\n220 Ready\r\n",
         {{220, "220-Banner\r\n\r\n\r\n220 Ready\r\n"}},
         Status::NeedMore},
        {"CR and NUL inside a line are text",
         "550 a\rb\0c\r\n"s,
         {{550, "550 a\rb\0c\r\n"s}},
         Status::NeedMore},
        {"reply cut short waits for more", "226 Transf", {}, Status::NeedMore},
        {"multi-line cut short waits for more", "230-Welcome\r\n230-", {}, Status::NeedMore},
        {"text is not a reply", "hello\r\n", {}, Status::Malformed},
        {"two digits", "22 ok\r\n", {}, Status::Malformed},
        {"four digits", "2200 ok\r\n", {}, Status::Malformed},
        {"letter after the code", "220x\r\n", {}, Status::Malformed},
        {"empty first line", "\r\n220 ok\r\n", {}, Status::Malformed},
        {"fault after a good reply",
         "220 ok\r\nHTTP/1.1 400\r\n",
         {{220, "220 ok\r\n"}},
         Status::Malformed},
    };
    return cases;
}

// Feeds the input in the given pieces and takes every reply it yields.
void Check(const ReplyCase& c, const std::vector<size_t>& cuts) {
    FtpReplyReader reader;
    std::vector<FtpReply> got;
    size_t from = 0;
    Status last = Status::NeedMore;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        size_t to = i < cuts.size() ? cuts[i] : c.Input.size();
        reader.Feed(c.Input.data() + from, to - from);
        from = to;
        FtpReply reply;
        while ((last = reader.Next(reply)) == Status::Complete) got.push_back(reply);
    }
    ASSERT_EQ(got.size(), c.Replies.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Code, c.Replies[i].Code);
        EXPECT_EQ(got[i].Text, c.Replies[i].Text);
    }
    EXPECT_EQ(last, c.Final);
}

TEST(FtpReplyReaderTest, WholeInput) {
    for (const ReplyCase& c : ReplyCases()) {
        SCOPED_TRACE(c.Note);
        Check(c, {});
    }
}

TEST(FtpReplyReaderTest, SplitAtEveryBytePosition) {
    for (const ReplyCase& c : ReplyCases()) {
        for (size_t cut = 0; cut <= c.Input.size(); ++cut) {
            SCOPED_TRACE(std::string(c.Note) + ", cut at " + std::to_string(cut));
            Check(c, {cut});
        }
    }
}

TEST(FtpReplyReaderTest, OneByteAtATime) {
    for (const ReplyCase& c : ReplyCases()) {
        SCOPED_TRACE(c.Note);
        std::vector<size_t> cuts;
        for (size_t i = 1; i < c.Input.size(); ++i) cuts.push_back(i);
        Check(c, cuts);
    }
}

TEST(FtpReplyReaderTest, NothingFedNeedsMore) {
    FtpReplyReader reader;
    FtpReply reply{7, "untouched"};
    EXPECT_EQ(reader.Next(reply), Status::NeedMore);
    EXPECT_EQ(reply.Code, 7);
    EXPECT_EQ(reader.Buffered(), 0u);
}

TEST(FtpReplyReaderTest, BufferedCountsWhatIsNotTakenYet) {
    FtpReplyReader reader;
    std::string input = "200 ok\r\n230-a\r\n23";
    reader.Feed(input.data(), input.size());
    EXPECT_EQ(reader.Buffered(), input.size());
    FtpReply reply;
    ASSERT_EQ(reader.Next(reply), Status::Complete);
    EXPECT_EQ(reader.Buffered(), input.size() - 8);
}

TEST(FtpReplyReaderTest, LineAtTheCapIsAcceptedOneMoreIsTooLong) {
    for (const char* end : {"\r\n", "\n"}) {
        std::string atCap = "200 " + std::string(16 - 4, 'x');
        FtpReplyReader reader(16, 1024);
        std::string input = atCap + end;
        reader.Feed(input.data(), input.size());
        FtpReply reply;
        EXPECT_EQ(reader.Next(reply), Status::Complete);

        FtpReplyReader longer(16, 1024);
        input = atCap + "y" + end;
        longer.Feed(input.data(), input.size());
        EXPECT_EQ(longer.Next(reply), Status::TooLong);
    }
}

TEST(FtpReplyReaderTest, FloodWithoutLineEndIsCutOffNotBuffered) {
    FtpReplyReader reader;  // default caps: 8 KiB lines, 256 KiB replies
    std::string chunk(64 * 1024, 'A');
    chunk.replace(0, 4, "220 ");
    FtpReply reply;
    for (int i = 0; i < 160; ++i) {  // 10 MiB
        reader.Feed(chunk.data(), chunk.size());
        ASSERT_LE(reader.Buffered(), 8192u + 1);
    }
    EXPECT_EQ(reader.Next(reply), Status::TooLong);
    EXPECT_EQ(reader.Buffered(), 0u);
}

TEST(FtpReplyReaderTest, EndlessMultiLineReplyIsCutOffAtTheReplyCap) {
    FtpReplyReader reader(100, 1000);
    std::string first = "220-start\r\n";
    reader.Feed(first.data(), first.size());
    std::string line = "220-more text\r\n";
    for (int i = 0; i < 1000; ++i) {
        reader.Feed(line.data(), line.size());
        ASSERT_LE(reader.Buffered(), 1000u + 100);
    }
    FtpReply reply;
    EXPECT_EQ(reader.Next(reply), Status::TooLong);
}

TEST(FtpReplyReaderTest, FaultIsFinalAndLaterBytesAreIgnored) {
    FtpReplyReader reader(8, 64);
    std::string input = "220 ok\r\n200 far too long\r\n";
    reader.Feed(input.data(), input.size());
    std::string good = "200 ok\r\n";
    reader.Feed(good.data(), good.size());
    FtpReply reply;
    ASSERT_EQ(reader.Next(reply), Status::Complete);
    EXPECT_EQ(reply.Text, "220 ok\r\n");
    EXPECT_EQ(reader.Next(reply), Status::TooLong);
    EXPECT_EQ(reader.Next(reply), Status::TooLong);
    EXPECT_EQ(reader.Buffered(), 0u);
}

}  // namespace
