#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "storage/DirectoryEntry.h"
#include "tests/support/TempFolder.h"

namespace {

// 2021-06-15 10:20:30.250 UTC as a file time.
constexpr uint64_t JuneTicks = 132682260302500000ULL;

platform::FindData Record(const std::string& name) {
    platform::FindData record;
    record.Name = name;
    record.LastWriteTime = FileTime::FromTicks(JuneTicks);
    return record;
}

TEST(DirectoryEntryTest, CreateFromFindDataTakesEveryField) {
    ScopedTimeZone utc("UTC");
    platform::FindData record = Record("report.txt");
    record.Attributes = platform::Attribute::ReadOnly | platform::Attribute::Archive;
    record.SizeHigh = 1;
    record.SizeLow = 5;
    std::unique_ptr<VelDirectoryEntry> entry(VelDirectoryEntry::CreateFromFindData(record));
    EXPECT_EQ(entry->Name, "report.txt");
    EXPECT_EQ(entry->SizeHigh, 1u);
    EXPECT_EQ(entry->SizeLow, 5u);
    EXPECT_EQ(entry->Size, (int64_t(1) << 32) + 5);
    EXPECT_EQ(entry->Attributes, record.Attributes);
    EXPECT_TRUE(entry->IsReadOnly());
    EXPECT_FALSE(entry->IsDirectory());
    EXPECT_FALSE(entry->DateOnly);
    CalendarTime t = DecodeDateTime(entry->ModifiedTime);
    EXPECT_EQ(t.Year, 2021);
    EXPECT_EQ(t.Month, 6);
    EXPECT_EQ(t.Day, 15);
    EXPECT_EQ(t.Hour, 10);
    EXPECT_EQ(t.Minute, 20);
    EXPECT_EQ(t.Second, 30);
    EXPECT_EQ(t.Millisecond, 250);
    EXPECT_EQ(entry->ListedTime, entry->ModifiedTime);
}

TEST(DirectoryEntryTest, ZeroLastWriteTimeTakesTheCreationTime) {
    ScopedTimeZone utc("UTC");
    platform::FindData record = Record("old.txt");
    record.CreationTime = record.LastWriteTime;
    record.LastWriteTime = FileTime{};
    std::unique_ptr<VelDirectoryEntry> entry(VelDirectoryEntry::CreateFromFindData(record));
    EXPECT_EQ(DecodeDateTime(entry->ModifiedTime).Year, 2021);

    // Only both halves zero count as no time.
    record.LastWriteTime.High = 0;
    record.LastWriteTime.Low = 1;
    entry = VelDirectoryEntry::CreateFromFindData(record);
    EXPECT_EQ(DecodeDateTime(entry->ModifiedTime).Year, 1601);
}

TEST(DirectoryEntryTest, LocalTimeFollowsTheTimeZone) {
    ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    std::unique_ptr<VelDirectoryEntry> entry(
        VelDirectoryEntry::CreateFromFindData(Record("summer.txt")));
    EXPECT_EQ(DecodeDateTime(entry->ModifiedTime).Hour, 12);  // UTC+2 in June
    EXPECT_EQ(DecodeDateTime(FileTimeToDateTime(FileTime::FromTicks(JuneTicks))).Hour, 10);
}

TEST(DirectoryEntryTest, NameStopsAtNulAndAt260Bytes) {
    std::unique_ptr<VelDirectoryEntry> entry(
        VelDirectoryEntry::CreateFromFindData(Record(std::string("abc\0def", 7))));
    EXPECT_EQ(entry->Name, "abc");
    entry = VelDirectoryEntry::CreateFromFindData(Record(std::string(300, 'n')));
    EXPECT_EQ(entry->Name.size(), 260u);
}

TEST(DirectoryEntryTest, DotEntriesAreExactlyDotAndDotDot) {
    struct Case {
        const char* name;
        bool dot;
    } cases[] = {{".", true},   {"..", true}, {"...", false},
                 {".x", false}, {"", false},  {"x.", false}};
    VelDirectoryEntry entry;
    for (const Case& c : cases) {
        entry.Name = c.name;
        EXPECT_EQ(entry.IsDotEntry(), c.dot) << c.name;
    }
}

TEST(DirectoryEntryTest, FlagSettersTouchOnlyTheirBit) {
    VelDirectoryEntry entry;
    entry.Attributes = platform::Attribute::Archive | platform::Attribute::ReparsePoint;
    entry.SetDirectoryFlag(true);
    entry.SetReadOnlyFlag(true);
    entry.SetHiddenFlag(true);
    EXPECT_TRUE(entry.IsDirectory() && entry.IsReadOnly() && entry.IsHidden());
    entry.SetReadOnlyFlag(false);
    entry.SetDirectoryFlag(false);
    EXPECT_EQ(entry.Attributes, platform::Attribute::Archive | platform::Attribute::ReparsePoint |
                                    platform::Attribute::Hidden);
    entry.Clear();
    EXPECT_EQ(entry.Attributes, 0u);
    EXPECT_TRUE(entry.Name.empty());
    EXPECT_EQ(entry.Size, 0);
}

}  // namespace
