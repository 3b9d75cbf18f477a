// Reading a listing as it arrives: the same records whatever the chunks, the
// limits, and the memory a stored listing costs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internet/protocol/FindRecordStore.h"
#include "internet/protocol/ListingParser.h"
#include "internet/protocol/ListingReader.h"
#include "tests/internet/protocol/ListingSamples.h"

using namespace ftpprotocol;

namespace {

std::string SampleListing() {
    std::string text;
    for (const ListingSample& sample : ListingSamples()) text += sample.Line + "\r\n";
    return text + "-rw-r--r-- 1 u g 3 Dec  8 01:00 last line\n";
}

std::vector<std::string> NamesRead(const std::string& text, size_t split) {
    std::vector<std::string> names;
    ListingReader reader(
        ListingSampleNow(), [&](platform::FindData& entry) { names.push_back(entry.Name); },
        text.size(), 1024);
    EXPECT_EQ(reader.Feed(text.data(), split), ListingReader::Status::Reading);
    EXPECT_EQ(reader.Feed(text.data() + split, text.size() - split),
              ListingReader::Status::Reading);
    EXPECT_EQ(reader.Finish(), ListingReader::Status::Reading);
    EXPECT_EQ(reader.Entries(), names.size());
    return names;
}

TEST(ListingReaderTest, SameRecordsWhereverTheChunksEnd) {
    std::string text = SampleListing();
    std::vector<std::string> whole;
    for (const platform::FindData& entry : ParseListing(text, ListingSampleNow()))
        whole.push_back(entry.Name);
    ASSERT_EQ(whole.back(), "last line");
    for (size_t split = 0; split <= text.size(); ++split)
        ASSERT_EQ(NamesRead(text, split), whole) << "split at " << split;
}

TEST(ListingReaderTest, LimitsEndTheReadingForGood) {
    struct Case {
        const char* What;
        std::string Text;
        size_t MaxBytes, MaxLine;
        ListingReader::Status Expected;
    };
    const std::string line = "-rw-r--r-- 1 u g 3 Dec  8 01:00 name";  // 36 bytes
    const Case cases[] = {
        {"at the size cap", line + "\r\n", 38, 64, ListingReader::Status::Reading},
        {"one byte past it", line + "\r\n", 37, 64, ListingReader::Status::TooLarge},
        {"line at the line cap", line + "\r\n", 100, 36, ListingReader::Status::Reading},
        {"line past the line cap", line + "x\r\n", 100, 36, ListingReader::Status::LineTooLong},
        {"endless line", std::string(1000, 'x'), 2000, 36, ListingReader::Status::LineTooLong},
        // A listing whose data connection was cut in the middle of a line.
        {"last line without its end", line, 100, 64, ListingReader::Status::Unterminated},
        {"last line past the cap", line + "x", 100, 36, ListingReader::Status::Unterminated},
    };
    for (const Case& c : cases) {
        size_t delivered = 0;
        ListingReader reader(
            ListingSampleNow(), [&](platform::FindData&) { ++delivered; }, c.MaxBytes, c.MaxLine);
        ListingReader::Status status = reader.Feed(c.Text.data(), c.Text.size());
        if (status == ListingReader::Status::Reading) status = reader.Finish();
        EXPECT_EQ(status, c.Expected) << c.What;
        if (c.Expected != ListingReader::Status::Reading) {
            // Nothing more is taken once the reader has stopped.
            EXPECT_EQ(reader.Feed("\r\n", 2), c.Expected) << c.What;
            EXPECT_EQ(reader.Finish(), c.Expected) << c.What;
            EXPECT_EQ(delivered, 0u) << c.What;
        }
    }
}

TEST(FindRecordStoreTest, GivesBackEveryRecordAcrossBlocks) {
    FindRecordStore store;
    std::vector<platform::FindData> stored;
    for (size_t i = 0; i < 5000; ++i) {
        platform::FindData record;
        // Names of every length up to well past a block, so records straddle blocks.
        record.Name = std::string(i == 77 ? 3 * FindRecordStore::BlockSize : i % 300, 'a' + i % 26);
        record.Attributes = uint32_t(i);
        record.SizeHigh = uint32_t(i * 3);
        record.SizeLow = uint32_t(~i);
        record.LastWriteTime = FileTime::FromTicks(uint64_t(i) << 40 | i);
        store.Append(record);
        stored.push_back(record);
    }
    EXPECT_EQ(store.Count(), stored.size());
    size_t heldAtFirst = store.BytesHeld();
    platform::FindData taken;
    for (size_t i = 0; i < stored.size(); ++i) {
        ASSERT_TRUE(store.TakeNext(taken));
        EXPECT_EQ(taken.Name, stored[i].Name);
        EXPECT_EQ(taken.Attributes, stored[i].Attributes);
        EXPECT_EQ(taken.SizeHigh, stored[i].SizeHigh);
        EXPECT_EQ(taken.SizeLow, stored[i].SizeLow);
        EXPECT_EQ(taken.LastWriteTime.Ticks(), stored[i].LastWriteTime.Ticks());
        EXPECT_EQ(taken.CreationTime.Ticks(), stored[i].LastWriteTime.Ticks());
        EXPECT_EQ(taken.LastAccessTime.Ticks(), stored[i].LastWriteTime.Ticks());
        // Blocks go as they are read.
        if (i == stored.size() / 2) {
            EXPECT_LT(store.BytesHeld(), heldAtFirst * 2 / 3);
        }
    }
    EXPECT_FALSE(store.TakeNext(taken));
    EXPECT_EQ(store.BytesHeld(), 0u);
}

// The listing that costs most per byte is one of the shortest lines that still
// make entries: its records must still take no more memory than its text.
TEST(FindRecordStoreTest, ShortestLinesCostLessThanTheirText) {
    const std::string line = "-rw-r--r-- 0 Jan  1  2020 a\r\n";
    std::string chunk;
    while (chunk.size() < 64 * 1024) chunk += line;
    FindRecordStore store;
    ListingReader reader(
        ListingSampleNow(), [&](platform::FindData& entry) { store.Append(entry); },
        size_t(1) << 30, 1024);
    for (int i = 0; i < 160; ++i) reader.Feed(chunk.data(), chunk.size());
    ASSERT_EQ(reader.Entries(), 160 * (chunk.size() / line.size()));
    EXPECT_LE(store.BytesHeld(), reader.Bytes() + FindRecordStore::BlockSize);
}

}  // namespace
