#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <set>

#include "common/ErrorCodes.h"
#include "platform/FileCopy.h"
#include "platform/LastError.h"
#include "tests/support/TempFolder.h"

namespace {

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.insert(name);
    }
    closedir(dir);
    return names;
}

class FileCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir((Root / "src").c_str(), 0755);
        mkdir((Root / "dst").c_str(), 0755);
    }
    TempFolder Root;
};

TEST_F(FileCopyTest, CopiesContentModeAndModificationTime) {
    std::string source = Root / "src/f";
    std::string content(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 31 % 251);
    WriteTextFile(source, content);
    chmod(source.c_str(), 0750);
    SetModified(source, 1234567890);
    ASSERT_TRUE(platform::CopyFileOver(source, Root / "dst/f"));
    EXPECT_EQ(ReadTextFile(Root / "dst/f"), content);
    EXPECT_EQ(ModeOf(Root / "dst/f"), 0750u);
    EXPECT_EQ(ModifiedOf(Root / "dst/f").tv_sec, 1234567890);
}

TEST_F(FileCopyTest, ReplacesAnExistingFileAndLeavesNoTemporary) {
    WriteTextFile(Root / "src/f", "new");
    WriteTextFile(Root / "dst/f", "old and longer");
    ASSERT_TRUE(platform::CopyFileOver(Root / "src/f", Root / "dst/f"));
    EXPECT_EQ(ReadTextFile(Root / "dst/f"), "new");
    EXPECT_EQ(NamesIn(Root / "dst"), std::set<std::string>{"f"});
}

TEST_F(FileCopyTest, CopiesAnEmptyFileAndAReadOnlyOne) {
    WriteTextFile(Root / "src/empty", "");
    WriteTextFile(Root / "src/locked", "L");
    chmod((Root / "src/locked").c_str(), 0444);
    ASSERT_TRUE(platform::CopyFileOver(Root / "src/empty", Root / "dst/empty"));
    EXPECT_EQ(ReadTextFile(Root / "dst/empty"), "");
    ASSERT_TRUE(platform::CopyFileOver(Root / "src/locked", Root / "dst/locked"));
    EXPECT_EQ(ModeOf(Root / "dst/locked"), 0444u);
}

TEST_F(FileCopyTest, RefusesReadOnlyAndFolderDestinations) {
    WriteTextFile(Root / "src/f", "new");
    WriteTextFile(Root / "dst/locked", "old");
    chmod((Root / "dst/locked").c_str(), 0444);
    mkdir((Root / "dst/folder").c_str(), 0755);
    EXPECT_FALSE(platform::CopyFileOver(Root / "src/f", Root / "dst/locked"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_EQ(ReadTextFile(Root / "dst/locked"), "old");
    EXPECT_FALSE(platform::CopyFileOver(Root / "src/f", Root / "dst/folder"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_EQ(NamesIn(Root / "dst"), (std::set<std::string>{"locked", "folder"}));
}

TEST_F(FileCopyTest, MissingSourceOrFolder) {
    WriteTextFile(Root / "src/f", "x");
    EXPECT_FALSE(platform::CopyFileOver(Root / "src/missing", Root / "dst/f"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::FileNotFound);
    EXPECT_FALSE(platform::CopyFileOver(Root / "src/f", Root / "dst/no/f"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::PathNotFound);
    EXPECT_FALSE(platform::CopyFileOver(Root / "src", Root / "dst/f"));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::AccessDenied);
}

// A copy that cannot finish (here the file-size limit cuts it short) must leave
// the old destination as it was and no partial file behind.
TEST_F(FileCopyTest, FailedCopyKeepsTheOldFile) {
    std::string big(256 * 1024, 'b');
    WriteTextFile(Root / "src/big", big);
    WriteTextFile(Root / "dst/big", "good old content");
    std::string source = Root / "src/big";
    std::string destination = Root / "dst/big";
    std::string fresh = Root / "dst/fresh";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        bool replaced = platform::CopyFileOver(source, destination);
        uint32_t code = platform::GetLastErrorCode();
        bool created = platform::CopyFileOver(source, fresh);
        _exit(!replaced && !created && code == ErrorCode::DiskFull ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadTextFile(destination), "good old content");
    EXPECT_EQ(NamesIn(Root / "dst"), std::set<std::string>{"big"});
}

}  // namespace
