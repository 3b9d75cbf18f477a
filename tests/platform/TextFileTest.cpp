#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/TextFile.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(TextFileTest, CreateRewritesAndLinesEndInCrLf) {
    TempFolder folder;
    const std::string path = (folder / "a.txt");
    WriteTextFile(path, "old content that is longer\r\n");
    platform::TextFile file;
    ASSERT_TRUE(file.Create(path));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.WriteLine("one"));
    EXPECT_TRUE(file.WriteLine(""));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadTextFile(path), "one\r\n\r\n");
}

TEST(TextFileTest, AppendAddsAtTheEnd) {
    TempFolder folder;
    const std::string path = (folder / "a.txt");
    WriteTextFile(path, "first\r\n");
    {
        platform::TextFile file;
        ASSERT_TRUE(file.OpenForAppend(path));
        EXPECT_TRUE(file.WriteLine("second"));
    }  // closed by the destructor
    EXPECT_EQ(ReadTextFile(path), "first\r\nsecond\r\n");
}

TEST(TextFileTest, FailuresKeepTheReason) {
    // A missing folder (or no name at all) is "file not found" to POSIX and "path
    // not found" to Windows.
    const uint32_t MissingPath =
        platform::PathSeparator == '/' ? ErrorCode::FileNotFound : ErrorCode::PathNotFound;
    TempFolder folder;
    platform::TextFile file;
    struct {
        bool append;
        std::string path;
        uint32_t code;
    } cases[] = {
        {true, (folder / "missing.txt"), ErrorCode::FileNotFound},
        {false, (folder / "no/such/dir.txt"), MissingPath},
        {false, folder.Path, ErrorCode::AccessDenied},  // a folder
        {true, "", MissingPath},
        {false, (folder / std::string(300, 'n')), ErrorCode::FilenameExcedRange},
    };
    for (auto& c : cases) {
        platform::SetLastErrorCode(0);
        EXPECT_FALSE(c.append ? file.OpenForAppend(c.path) : file.Create(c.path)) << c.path;
        EXPECT_EQ(platform::GetLastErrorCode(), c.code) << c.path;
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_FALSE(std::filesystem::exists((folder / "missing.txt")));
    platform::SetLastErrorCode(0);
    EXPECT_FALSE(file.WriteLine("closed"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::InvalidHandle);
    EXPECT_TRUE(file.Close());
}

TEST(TextFileTest, WriteFailureIsReported) {
    platform::TextFile file;
    if (!file.OpenForAppend("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(file.WriteLine("x"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::DiskFull);
}

}  // namespace
