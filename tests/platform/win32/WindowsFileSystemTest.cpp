// The Windows layer's file calls: the codes the engine relies on, read-only as
// the attribute, listings with "." and "..", copies that replace only when
// complete, case-only renames, times.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "platform/FileCopy.h"
#include "platform/FileNameCase.h"
#include "platform/FileOperations.h"
#include "platform/FileTimes.h"
#include "platform/FolderEnumeration.h"
#include "platform/LastError.h"
#include "tests/support/TempFolder.h"

namespace {

std::set<std::string> Listed(const std::string& pattern, bool& complete) {
    std::set<std::string> names;
    complete = platform::FindFiles(
        pattern, [&](const platform::FindData& record) { names.insert(record.Name); });
    return names;
}

TEST(WindowsFileSystemTest, FailuresCarryTheWindowsCodes) {
    TempFolder root;
    WriteTextFile(root / "file.txt", "x");
    ASSERT_TRUE(platform::MakeFolder(root / "full"));
    WriteTextFile(root / "full\\inner.txt", "x");
    WriteTextFile(root / "locked.txt", "locked");
    MakeReadOnly(root / "locked.txt");
    const struct {
        const char* what;
        std::function<bool()> call;
        uint32_t code;
    } cases[] = {
        {"folder exists", [&] { return platform::MakeFolder(root / "full"); },
         ErrorCode::AlreadyExists},
        {"parent missing", [&] { return platform::MakeFolder(root / "no\\sub"); },
         ErrorCode::PathNotFound},
        {"folder not empty", [&] { return platform::RemoveFolder(root / "full"); },
         ErrorCode::DirNotEmpty},
        {"file missing", [&] { return platform::RemoveFile(root / "none.txt"); },
         ErrorCode::FileNotFound},
        {"read-only file", [&] { return platform::RemoveFile(root / "locked.txt"); },
         ErrorCode::AccessDenied},
        {"rename onto a file",
         [&] { return platform::RenameFile(root / "file.txt", root / "full\\inner.txt"); },
         ErrorCode::AlreadyExists},
        {"rename onto read-only",
         [&] { return platform::RenameFile(root / "file.txt", root / "locked.txt"); },
         ErrorCode::AccessDenied},
        {"copy over read-only",
         [&] { return platform::CopyFileOver(root / "file.txt", root / "locked.txt"); },
         ErrorCode::AccessDenied},
        {"copy over a folder",
         [&] { return platform::CopyFileOver(root / "file.txt", root / "full"); },
         ErrorCode::AccessDenied},
        {"copy a missing file",
         [&] { return platform::CopyFileOver(root / "none.txt", root / "new.txt"); },
         ErrorCode::FileNotFound},
        {"time of a read-only file",
         [&] { return platform::SetLastWriteTime(root / "locked.txt", FileTime{}); },
         ErrorCode::AccessDenied},
    };
    for (const auto& c : cases) {
        platform::SetLastErrorCode(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(platform::GetLastErrorCode(), c.code) << c.what;
    }
    EXPECT_EQ(ReadTextFile(root / "locked.txt"), "locked");
    EXPECT_FALSE(std::filesystem::exists(root / "new.txt"));
    EXPECT_EQ(platform::ReadAttributes(root / "none"), platform::InvalidAttributes);
}

TEST(WindowsFileSystemTest, ListingsHoldTheDotEntriesAndEndWithNoMoreFiles) {
    TempFolder root;
    WriteTextFile(root / "a.txt", "a");
    WriteTextFile(root / "B.TXT", "b");
    bool complete = false;
    EXPECT_EQ(Listed(root / "*", complete), (std::set<std::string>{".", "..", "a.txt", "B.TXT"}));
    EXPECT_TRUE(complete);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles);
    // One name, in any case, finds the entry as it is spelt.
    EXPECT_EQ(Listed(root / "b.txt", complete), (std::set<std::string>{"B.TXT"}));
    EXPECT_TRUE(Listed(root / "none.txt", complete).empty());
    EXPECT_TRUE(complete);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles);
    EXPECT_TRUE(Listed(root / "none\\*", complete).empty());
    EXPECT_FALSE(complete);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::PathNotFound);
    EXPECT_TRUE(platform::MatchesFindMask("Readme.TXT", "*.txt"));
    EXPECT_TRUE(platform::MatchesFindMask("noext", "*.*"));
    EXPECT_FALSE(platform::MatchesFindMask("a.txt", "?.bin"));
}

TEST(WindowsFileSystemTest, ReadOnlyIsTheAttributeAndCaseOnlyRenamesLand) {
    TempFolder root;
    WriteTextFile(root / "readme.txt", "x");
    const uint32_t plain = platform::ReadAttributes(root / "readme.txt");
    ASSERT_TRUE(
        platform::WriteAttributes(root / "readme.txt", plain | platform::Attribute::ReadOnly));
    EXPECT_NE(platform::ReadAttributes(root / "readme.txt") & platform::Attribute::ReadOnly, 0u);
    ASSERT_TRUE(platform::WriteAttributes(root / "readme.txt", plain));
    EXPECT_EQ(platform::ReadAttributes(root / "readme.txt") & platform::Attribute::ReadOnly, 0u);

    EXPECT_TRUE(platform::FileNamesIgnoreCase());
    ASSERT_TRUE(platform::RenameFile(root / "readme.txt", root / "README.txt"));
    bool complete = false;
    EXPECT_EQ(Listed(root / "*.txt", complete), (std::set<std::string>{"README.txt"}));
}

TEST(WindowsFileSystemTest, ACopyReplacesWithItsContentAndTime) {
    TempFolder root;
    WriteTextFile(root / "new.txt", "new content");
    WriteTextFile(root / "old.txt", "old");
    SetModified(root / "new.txt", 1700000000);
    ASSERT_TRUE(platform::CopyFileOver(root / "new.txt", root / "old.txt"));
    EXPECT_EQ(ReadTextFile(root / "old.txt"), "new content");
    EXPECT_EQ(ModifiedOf(root / "old.txt").tv_sec, 1700000000);
    // Nothing of the copy is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.Path),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(WindowsFileSystemTest, TimesRoundTripThroughLocalTime) {
    TempFolder root;
    WriteTextFile(root / "a.txt", "a");
    CalendarTime summer{2024, 7, 1, 12, 30, 42, 250};
    FileTime local, utc, back;
    ASSERT_TRUE(platform::CalendarToFileTime(summer, local));
    ASSERT_TRUE(platform::LocalFileTimeToFileTime(local, utc));
    ASSERT_TRUE(platform::FileTimeToLocalFileTime(utc, back));
    EXPECT_EQ(back.Ticks(), local.Ticks());
    ASSERT_TRUE(platform::SetLastWriteTime(root / "a.txt", utc));
    CalendarTime read;
    FileTime written = FileTime::FromTicks(uint64_t(ModifiedOf(root / "a.txt").tv_sec) * 10000000 +
                                           116444736000000000ULL);
    ASSERT_TRUE(platform::FileTimeToCalendar(written, read));
    EXPECT_EQ(read.Year, 2024);
    EXPECT_EQ(written.Ticks() / 10000000, utc.Ticks() / 10000000);
    EXPECT_FALSE(platform::CalendarToFileTime(CalendarTime{1600, 12, 31, 0, 0, 0, 0}, local));
}

}  // namespace
