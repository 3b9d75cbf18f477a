#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "storage/DiskFileDate.h"
#include "storage/DiskStorageDevice.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempFolder.h"

namespace {

class DiskStorageDeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<VelDirectoryList> List(const std::string& folder,
                                           const std::string& mask = "") {
        return std::unique_ptr<VelDirectoryList>(Device.ListFolder(folder, mask, false));
    }

    TempFolder Root;
    RecordingOutput Output;
    DiskStorageDevice Device{&Output};
};

TEST_F(DiskStorageDeviceTest, FixedAnswers) {
    EXPECT_EQ(Device.NameCaseMode(), NameCase::Sensitive);
    EXPECT_FALSE(Device.SupportsTextMode());
    EXPECT_FALSE(Device.SupportsChmod());
    EXPECT_TRUE(Device.LocalCopyKeepsDate());
    EXPECT_FALSE(Device.Chmod(Root.Path, "f", "644"));
    EXPECT_EQ(Device.GetLocalCopy("/some/folder", "name"), "/some/folder/name");
    Device.ReleaseLocalCopy("/some/folder/name");
    Device.ReleaseLocalCopy("/some/folder/name");
    platform::SetLastErrorCode(ErrorCode::DirNotEmpty);
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::DirNotEmpty);
    EXPECT_EQ(Device.LastErrorText(), platform::SystemErrorText(ErrorCode::DirNotEmpty));
    EXPECT_TRUE(Output.Messages.empty());
}

TEST_F(DiskStorageDeviceTest, ConnectToALocalPathNeedsNothing) {
    EXPECT_TRUE(Device.Connect(Root.Path, "", "", ""));
    EXPECT_TRUE(Device.Connect("/no/such/folder", "user", "secret", ""));
    EXPECT_TRUE(Output.Messages.empty());
}

TEST_F(DiskStorageDeviceTest, ListingMissingFolderIsEmptyAndSilent) {
    auto list = List(Root / "missing");
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::PathNotFound);
    list = List(Root.Path, "missing.txt");
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::NoMoreFiles);
    EXPECT_TRUE(Output.Messages.empty());
}

TEST_F(DiskStorageDeviceTest, FolderOperations) {
    EXPECT_TRUE(Device.CreateFolder(Root / "new"));
    EXPECT_TRUE(Device.FolderExists(Root / "new"));
    EXPECT_FALSE(Device.CreateFolder(Root / "new"));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AlreadyExists);
    EXPECT_FALSE(Device.CreateFolder(Root / "a/b"));
    WriteTextFile(Root / "file", "x");
    EXPECT_FALSE(Device.FolderExists(Root / "file"));
    EXPECT_FALSE(Device.FolderExists(Root / "missing"));
    EXPECT_TRUE(Device.RemoveFolder(Root / "new"));
    EXPECT_FALSE(Device.FolderExists(Root / "new"));
    EXPECT_TRUE(Output.Messages.empty());
}

TEST_F(DiskStorageDeviceTest, RemoveFolderThatIsNotEmptyReports145) {
    mkdir((Root / "full").c_str(), 0755);
    WriteTextFile(Root / "full/f", "x");
    EXPECT_FALSE(Device.RemoveFolder(Root / "full"));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::DirNotEmpty);
    ASSERT_EQ(Output.Messages.size(), 1u);
    EXPECT_EQ(Output.Messages[0].Class, mcError);
    EXPECT_EQ(Output.Messages[0].Text, "RemoveDirectory (" + (Root / "full") +
                                           ") failed with error 145: The directory is not empty.");

    DiskStorageDevice silent(nullptr);
    EXPECT_FALSE(silent.RemoveFolder(Root / "full"));
    EXPECT_EQ(silent.LastErrorCode(), ErrorCode::DirNotEmpty);
}

TEST_F(DiskStorageDeviceTest, RemoveFolderOnALinkLeavesTheTarget) {
    mkdir((Root / "target").c_str(), 0755);
    WriteTextFile(Root / "target/keep", "x");
    symlink("target", (Root / "link").c_str());
    EXPECT_TRUE(Device.RemoveFolder(Root / "link"));
    EXPECT_EQ(ReadTextFile(Root / "target/keep"), "x");
}

TEST_F(DiskStorageDeviceTest, DeleteFileJoinsLikeJoinPath) {
    for (const char* name : {"a", "b", "c", "d"}) WriteTextFile(Root / name, "x");
    mkdir((Root / "sub").c_str(), 0755);
    WriteTextFile(Root / "sub/old.txt", "x");
    EXPECT_TRUE(Device.DeleteFile(Root.Path, "a", false));
    EXPECT_TRUE(Device.DeleteFile(Root.Path + "/", "b", false));
    EXPECT_TRUE(Device.DeleteFile("", Root / "c", false));
    EXPECT_TRUE(Device.DeleteFile(Root.Path, "/sub/old.txt", false));  // a relative path
    EXPECT_FALSE(Device.DeleteFile(Root.Path, "a", true));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::FileNotFound);
    EXPECT_TRUE(Output.Messages.empty());  // the disk device never reports it
    EXPECT_EQ(access((Root / "d").c_str(), F_OK), 0);

    // An empty folder names the file relative to the current directory.
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(Root.Path.c_str()), 0);
    bool deleted = Device.DeleteFile("", "d", false);
    ASSERT_EQ(chdir(previous), 0);
    free(previous);
    EXPECT_TRUE(deleted);
    EXPECT_NE(access((Root / "d").c_str(), F_OK), 0);
}

TEST_F(DiskStorageDeviceTest, ReadOnlyFilesAreProtectedUntilCleared) {
    WriteTextFile(Root / "src", "new");
    WriteTextFile(Root / "locked", "old");
    WriteTextFile(Root / "other", "other");
    chmod((Root / "locked").c_str(), 0444);
    EXPECT_FALSE(Device.DeleteFile(Root.Path, "locked", false));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_FALSE(Device.RenameFile(Root.Path, "other", "locked"));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_FALSE(Device.PutFile(Root / "src", Root.Path, "locked", true));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_EQ(ReadTextFile(Root / "locked"), "old");

    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "locked", false, false));
    EXPECT_TRUE(Device.PutFile(Root / "src", Root.Path, "locked", true));
    EXPECT_EQ(ReadTextFile(Root / "locked"), "new");
    EXPECT_TRUE(Device.DeleteFile(Root.Path, "locked", false));
}

TEST_F(DiskStorageDeviceTest, PutFileCopiesContentAndDate) {
    WriteTextFile(Root / "src", "content");
    SetModified(Root / "src", 1500000000);
    mkdir((Root / "dst").c_str(), 0755);
    ASSERT_TRUE(Device.PutFile(Device.GetLocalCopy(Root.Path, "src"), Root / "dst", "copy", false));
    EXPECT_EQ(ReadTextFile(Root / "dst/copy"), "content");
    EXPECT_EQ(ModifiedOf(Root / "dst/copy").tv_sec, 1500000000);
    EXPECT_FALSE(Device.PutFile(Root / "missing", Root / "dst", "copy", false));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::FileNotFound);
}

TEST_F(DiskStorageDeviceTest, RenameWithinAFolder) {
    WriteTextFile(Root / "a.tmp", "A");
    WriteTextFile(Root / "b", "B");
    EXPECT_TRUE(Device.RenameFile(Root.Path, "a.tmp", "a"));
    EXPECT_EQ(ReadTextFile(Root / "a"), "A");
    EXPECT_FALSE(Device.RenameFile(Root.Path + "/", "a", "b"));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AlreadyExists);
    EXPECT_EQ(ReadTextFile(Root / "b"), "B");
}

TEST_F(DiskStorageDeviceTest, SetReadOnlyWritesOnlyWhatChanges) {
    std::string path = Root / "f";
    WriteTextFile(path, "x");
    chmod(path.c_str(), 0444);
    struct timespec before = ChangedOf(path);
    usleep(20000);
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "f", true, false));
    struct timespec after = ChangedOf(path);
    EXPECT_TRUE(before.tv_sec == after.tv_sec && before.tv_nsec == after.tv_nsec)
        << "nothing may be written when nothing changes";
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "f", true, true));
    after = ChangedOf(path);
    EXPECT_FALSE(before.tv_sec == after.tv_sec && before.tv_nsec == after.tv_nsec)
        << "force writes the attributes again";
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "f", false, false));
    EXPECT_EQ(ModeOf(path), 0644u);
    // Attributes that cannot be read are never written: still true, nothing made.
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "missing", true, true));
    EXPECT_NE(access((Root / "missing").c_str(), F_OK), 0);
}

TEST_F(DiskStorageDeviceTest, SetFileDateTakesOnlyTheYearsOfADosDate) {
    ScopedTimeZone utc("UTC");
    std::string path = Root / "f";
    WriteTextFile(path, "x");
    SetModified(path, 1000000000);
    double noon = EncodeDateTime({2020, 3, 4, 12, 0, 1, 0});
    ASSERT_TRUE(Device.SetFileDate(Root.Path, "f", noon));
    EXPECT_EQ(ModifiedOf(path).tv_sec, 1583323201);  // 2020-03-04 12:00:01 UTC

    double in1979 = EncodeDateTime({1979, 12, 31, 23, 0, 0, 0});
    EXPECT_FALSE(Device.SetFileDate(Root.Path, "f", in1979));
    EXPECT_EQ(ModifiedOf(path).tv_sec, 1583323201);
    EXPECT_FALSE(Device.SetFileDate(Root.Path, "missing", noon));
}

TEST_F(DiskStorageDeviceTest, SetFileDateUsesLocalTime) {
    ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    WriteTextFile(Root / "f", "x");
    ASSERT_TRUE(Device.SetFileDate(Root.Path, "f", EncodeDateTime({2020, 7, 1, 12, 0, 1, 250})));
    EXPECT_EQ(ModifiedOf(Root / "f").tv_sec, 1593597601);  // 10:00:01.25 UTC
    EXPECT_EQ(ModifiedOf(Root / "f").tv_nsec / 1000000, 250);
    auto list = List(Root.Path, "f");
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(DecodeDateTime(list->EntryAt(1)->ModifiedTime).Hour, 12);
}

TEST(DosDateTimeTest, WordsAndLimits) {
    struct Case {
        CalendarTime time;
        bool ok;
        uint16_t date;
        uint16_t time_;
    } cases[] = {
        {{1980, 1, 1, 0, 0, 0, 0}, true, 0x0021, 0x0000},
        {{2020, 3, 4, 12, 0, 1, 0}, true, uint16_t((40 << 9) | (3 << 5) | 4), uint16_t(12 << 11)},
        {{2107, 12, 31, 23, 59, 59, 0},
         true,
         uint16_t((127 << 9) | (12 << 5) | 31),
         uint16_t((23 << 11) | (59 << 5) | 29)},
        {{1979, 12, 31, 23, 59, 59, 0}, false, 0, 0},
        {{2108, 1, 1, 0, 0, 0, 0}, false, 0, 0},
    };
    for (const Case& c : cases) {
        uint16_t date = 1, time = 1;
        EXPECT_EQ(DateTimeToDosDateTime(EncodeDateTime(c.time), date, time), c.ok) << c.time.Year;
        EXPECT_EQ(date, c.date) << c.time.Year;
        EXPECT_EQ(time, c.time_) << c.time.Year;
    }
    uint16_t date, time;
    EXPECT_FALSE(DateTimeToDosDateTime(1e300, date, time));
    EXPECT_FALSE(DateTimeToDosDateTime(std::numeric_limits<double>::quiet_NaN(), date, time));
}

TEST_F(DiskStorageDeviceTest, LinkLeadingToAnAncestorIsRecognised) {
    mkdir((Root / "a").c_str(), 0755);
    mkdir((Root / "a/b").c_str(), 0755);
    mkdir((Root / "elsewhere").c_str(), 0755);
    symlink("..", (Root / "a/b/up").c_str());
    symlink(Root.Path.c_str(), (Root / "a/b/top").c_str());
    symlink("../../elsewhere", (Root / "a/b/side").c_str());
    EXPECT_TRUE(Device.LinkLeadsToAncestor(Root / "a/b/up"));
    EXPECT_TRUE(Device.LinkLeadsToAncestor(Root / "a/b/top"));
    EXPECT_FALSE(Device.LinkLeadsToAncestor(Root / "a/b/side"));
    EXPECT_FALSE(Device.LinkLeadsToAncestor(Root / "a/b"));
    EXPECT_FALSE(Device.LinkLeadsToAncestor(Root / "missing"));
}

}  // namespace
