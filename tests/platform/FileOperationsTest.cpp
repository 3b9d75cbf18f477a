#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "tests/support/TempFolder.h"

namespace {

class FileOperationsTest : public ::testing::Test {
protected:
    uint32_t LastError() const { return platform::GetLastErrorCode(); }
    TempFolder Root;
};

TEST_F(FileOperationsTest, MakeFolderOneLevelOnly) {
    EXPECT_TRUE(platform::MakeFolder(Root / "a"));
    EXPECT_FALSE(platform::MakeFolder(Root / "a"));
    EXPECT_EQ(LastError(), ErrorCode::AlreadyExists);
    EXPECT_FALSE(platform::MakeFolder(Root / "x/y"));
    EXPECT_EQ(LastError(), ErrorCode::PathNotFound);
}

TEST_F(FileOperationsTest, RemoveFolderCases) {
    mkdir((Root / "empty").c_str(), 0755);
    mkdir((Root / "full").c_str(), 0755);
    WriteTextFile(Root / "full/f", "x");
    WriteTextFile(Root / "file", "x");
    EXPECT_TRUE(platform::RemoveFolder(Root / "empty"));
    EXPECT_FALSE(platform::RemoveFolder(Root / "full"));
    EXPECT_EQ(LastError(), ErrorCode::DirNotEmpty);
    EXPECT_FALSE(platform::RemoveFolder(Root / "file"));
    EXPECT_EQ(LastError(), ErrorCode::DirectoryInvalid);
    EXPECT_FALSE(platform::RemoveFolder(Root / "missing"));
    EXPECT_EQ(LastError(), ErrorCode::FileNotFound);
    EXPECT_FALSE(platform::RemoveFolder(Root / "missing/deeper"));
    EXPECT_EQ(LastError(), ErrorCode::PathNotFound);
}

TEST_F(FileOperationsTest, RemoveFolderOnALinkRemovesOnlyTheLink) {
    mkdir((Root / "full").c_str(), 0755);
    WriteTextFile(Root / "full/keep", "x");
    symlink("full", (Root / "link").c_str());
    symlink("full/keep", (Root / "filelink").c_str());
    EXPECT_TRUE(platform::RemoveFolder(Root / "link"));
    EXPECT_EQ(access((Root / "link").c_str(), F_OK), -1);
    EXPECT_EQ(ReadTextFile(Root / "full/keep"), "x");
    EXPECT_FALSE(platform::RemoveFolder(Root / "filelink"));
    EXPECT_EQ(LastError(), ErrorCode::DirectoryInvalid);
}

TEST_F(FileOperationsTest, RemoveFileCases) {
    WriteTextFile(Root / "plain", "x");
    WriteTextFile(Root / "locked", "x");
    chmod((Root / "locked").c_str(), 0444);
    mkdir((Root / "folder").c_str(), 0755);
    symlink("locked", (Root / "link").c_str());
    EXPECT_TRUE(platform::RemoveFile(Root / "plain"));
    // Read-only is honoured even with root's privileges.
    EXPECT_FALSE(platform::RemoveFile(Root / "locked"));
    EXPECT_EQ(LastError(), ErrorCode::AccessDenied);
    EXPECT_FALSE(platform::RemoveFile(Root / "folder"));
    EXPECT_EQ(LastError(), ErrorCode::AccessDenied);
    EXPECT_TRUE(platform::RemoveFile(Root / "link"));
    EXPECT_EQ(ReadTextFile(Root / "locked"), "x");
    EXPECT_FALSE(platform::RemoveFile(Root / "plain"));
    EXPECT_EQ(LastError(), ErrorCode::FileNotFound);
    EXPECT_FALSE(platform::RemoveFile(Root / "nowhere/plain"));
    EXPECT_EQ(LastError(), ErrorCode::PathNotFound);
    ASSERT_TRUE(platform::WriteAttributes(Root / "locked", 0));
    EXPECT_TRUE(platform::RemoveFile(Root / "locked"));
}

TEST_F(FileOperationsTest, RenameNeverReplaces) {
    WriteTextFile(Root / "a", "A");
    WriteTextFile(Root / "b", "B");
    WriteTextFile(Root / "locked", "L");
    chmod((Root / "locked").c_str(), 0444);
    EXPECT_FALSE(platform::RenameFile(Root / "a", Root / "b"));
    EXPECT_EQ(LastError(), ErrorCode::AlreadyExists);
    EXPECT_FALSE(platform::RenameFile(Root / "a", Root / "locked"));
    EXPECT_EQ(LastError(), ErrorCode::AccessDenied);
    EXPECT_EQ(ReadTextFile(Root / "b"), "B");
    EXPECT_EQ(ReadTextFile(Root / "locked"), "L");
    EXPECT_TRUE(platform::RenameFile(Root / "a", Root / "a"));
    EXPECT_TRUE(platform::RenameFile(Root / "a", Root / "c"));
    EXPECT_EQ(ReadTextFile(Root / "c"), "A");
    EXPECT_FALSE(platform::RenameFile(Root / "a", Root / "d"));
    EXPECT_EQ(LastError(), ErrorCode::FileNotFound);
}

TEST_F(FileOperationsTest, AttributesReadAsListed) {
    WriteTextFile(Root / "plain", "x");
    WriteTextFile(Root / ".dot", "x");
    mkdir((Root / "folder").c_str(), 0755);
    symlink("folder", (Root / "link").c_str());
    symlink("nowhere", (Root / "dangling").c_str());
    using namespace platform::Attribute;
    EXPECT_EQ(platform::ReadAttributes(Root / "plain"), Normal);
    EXPECT_EQ(platform::ReadAttributes(Root / ".dot"), Hidden);
    EXPECT_EQ(platform::ReadAttributes(Root / "folder"), Directory);
    EXPECT_EQ(platform::ReadAttributes(Root / "folder/"), Directory);
    EXPECT_EQ(platform::ReadAttributes(Root / "link"), Directory | ReparsePoint);
    EXPECT_EQ(platform::ReadAttributes(Root / "dangling"), Device | ReparsePoint);
    EXPECT_EQ(platform::ReadAttributes(Root / "missing"), platform::InvalidAttributes);
    EXPECT_EQ(LastError(), ErrorCode::FileNotFound);
}

TEST_F(FileOperationsTest, ReadOnlyBitMapsToWritePermissions) {
    std::string path = Root / "f";
    WriteTextFile(path, "x");
    chmod(path.c_str(), 0664);
    ASSERT_TRUE(platform::WriteAttributes(path, platform::Attribute::ReadOnly));
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_TRUE(platform::ReadAttributes(path) & platform::Attribute::ReadOnly);
    ASSERT_TRUE(platform::WriteAttributes(path, platform::Attribute::Normal));
    EXPECT_EQ(ModeOf(path), 0644u);
    // Other bits (here the execute bits) are left as they are.
    chmod(path.c_str(), 0755);
    ASSERT_TRUE(platform::WriteAttributes(path, 0));
    EXPECT_EQ(ModeOf(path), 0755u);
    EXPECT_FALSE(platform::WriteAttributes(Root / "missing", 0));
    EXPECT_EQ(LastError(), ErrorCode::FileNotFound);
}

TEST_F(FileOperationsTest, SetLastWriteTimeKeepsAccessTime) {
    std::string path = Root / "f";
    WriteTextFile(path, "x");
    SetModified(path, 1000000000);
    // 2021-06-15 10:20:30.5 UTC
    ASSERT_TRUE(platform::SetLastWriteTime(path, FileTime::FromTicks(132682260305000000ULL)));
    EXPECT_EQ(ModifiedOf(path).tv_sec, 1623752430);
    EXPECT_EQ(ModifiedOf(path).tv_nsec, 500000000);
    struct stat info;
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_atim.tv_sec, 1000000000);

    chmod(path.c_str(), 0444);
    EXPECT_FALSE(platform::SetLastWriteTime(path, FileTime::FromTicks(0)));
    EXPECT_EQ(LastError(), ErrorCode::AccessDenied);
    EXPECT_EQ(ModifiedOf(path).tv_sec, 1623752430);
    EXPECT_FALSE(platform::SetLastWriteTime(Root.Path, FileTime::FromTicks(0)));
    EXPECT_EQ(LastError(), ErrorCode::AccessDenied);
}

TEST_F(FileOperationsTest, PermissionFailuresAsAnOrdinaryUser) {
    chmod(Root.Path.c_str(), 0755);
    mkdir((Root / "closed").c_str(), 0755);
    WriteTextFile(Root / "closed/f", "x");
    std::string closed = Root / "closed";
    int result = RunAsNobody([&] {
        if (platform::MakeFolder(closed + "/new")) return 1;
        if (platform::GetLastErrorCode() != ErrorCode::AccessDenied) return 2;
        if (platform::RemoveFile(closed + "/f")) return 3;
        if (platform::GetLastErrorCode() != ErrorCode::AccessDenied) return 4;
        return 0;
    });
    if (result == 125) GTEST_SKIP() << "cannot drop privileges to nobody here";
    EXPECT_EQ(result, 0);
}

TEST_F(FileOperationsTest, TemporaryFolderEndsInSeparatorAndExists) {
    std::string folder = platform::TemporaryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(platform::ReadAttributes(folder) & platform::Attribute::Directory);
}

TEST_F(FileOperationsTest, ResolvedPathFollowsLinks) {
    mkdir((Root / "real").c_str(), 0755);
    symlink("real", (Root / "link").c_str());
    std::string real = platform::ResolvedPath(Root / "real");
    EXPECT_EQ(platform::ResolvedPath(Root / "link"), real);
    EXPECT_EQ(platform::ResolvedPath(Root / "link/../real"), real);
    EXPECT_EQ(platform::ResolvedPath(Root / "missing"), "");
}

}  // namespace
