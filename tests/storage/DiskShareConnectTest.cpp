#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <utility>
#include <vector>

#include "common/ErrorCodes.h"
#include "storage/DiskStorageDevice.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempFolder.h"

namespace {

// A share "mounted" on a temporary folder through a mount table of the test's own.
class DiskShareConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        Mount = Root / "mnt";
        mkdir(Mount.c_str(), 0755);
        mkdir((Mount + "/dir").c_str(), 0755);
        WriteTextFile(Mount + "/dir/file.txt", "on the share");
        WriteTextFile(Root / "mounts",
                      "sysfs /sys sysfs rw 0 0\n//fileserver/Data " + Mount + " cifs rw 0 0\n");
        Device.SetMountTable(Root / "mounts");
    }

    TempFolder Root;
    std::string Mount;
    RecordingOutput Output;
    DiskStorageDevice Device{&Output};
};

TEST_F(DiskShareConnectTest, MountedShareIsReachedThroughItsMountPoint) {
    ASSERT_TRUE(Device.Connect("//fileserver/Data/dir", "user", "secret", ""));
    EXPECT_TRUE(Output.Messages.empty());
    EXPECT_TRUE(Device.FolderExists("//fileserver/Data/dir"));
    std::unique_ptr<VelDirectoryList> list(Device.ListFolder("//fileserver/Data/dir", "", false));
    ASSERT_NE(list->FindByName("file.txt", true), nullptr);
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::NoMoreFiles);

    // The local copy is a real path, so the other side's device can read it.
    std::string local = Device.GetLocalCopy("//fileserver/Data/dir", "file.txt");
    EXPECT_EQ(local, Mount + "/dir/file.txt");
    EXPECT_EQ(ReadTextFile(local), "on the share");

    EXPECT_TRUE(Device.CreateFolder("//fileserver/Data/dir/new"));
    EXPECT_TRUE(Device.PutFile(local, "//fileserver/Data/dir/new", "copy.txt", true));
    EXPECT_EQ(ReadTextFile(Mount + "/dir/new/copy.txt"), "on the share");
    EXPECT_TRUE(Device.RenameFile("//fileserver/Data/dir/new", "copy.txt", "moved.txt"));
    EXPECT_TRUE(Device.SetReadOnly("//fileserver/Data/dir/new", "moved.txt", true, false));
    EXPECT_EQ(ModeOf(Mount + "/dir/new/moved.txt") & 0222, 0u);
    EXPECT_TRUE(Device.SetReadOnly("//fileserver/Data/dir/new", "moved.txt", false, false));
    EXPECT_TRUE(Device.DeleteFile("//fileserver/Data/dir", "/new/moved.txt", false));
    EXPECT_TRUE(Device.RemoveFolder("//fileserver/Data/dir/new"));
    EXPECT_FALSE(Device.FolderExists(Mount + "/dir/new"));
}

TEST_F(DiskShareConnectTest, ShareRootItselfAndOtherPathsMapCorrectly) {
    ASSERT_TRUE(Device.Connect("//fileserver/Data", "", "", ""));
    EXPECT_EQ(Device.LocalPath("//fileserver/Data"), Mount);
    EXPECT_EQ(Device.LocalPath("//fileserver/Data/dir"), Mount + "/dir");
    // Only whole components are replaced; other paths stay as they are.
    EXPECT_EQ(Device.LocalPath("//fileserver/Database"), "//fileserver/Database");
    EXPECT_EQ(Device.LocalPath("/tmp/x"), "/tmp/x");
}

TEST_F(DiskShareConnectTest, ShareNotMountedSendsThreeMessagesWith53) {
    EXPECT_FALSE(Device.Connect("//fileserver/Other/dir", "user", "secret", ""));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::BadNetPath);
    std::vector<RecordingOutput::Entry> expected = {
        {mcError, "Failed to connect to //fileserver/Other"},
        {mcError, "Error code: 53"},
        {mcError, "Description: The network path was not found."},
    };
    EXPECT_EQ(Output.Messages, expected);
}

TEST_F(DiskShareConnectTest, ServerWithoutShareFormsTheRootWithOneSeparator) {
    EXPECT_FALSE(Device.Connect("//fileserver", "", "", ""));
    ASSERT_FALSE(Output.Messages.empty());
    EXPECT_EQ(Output.Messages[0].Text, "Failed to connect to //fileserver/");
}

TEST_F(DiskShareConnectTest, WithoutOutputOnlyTheResultTells) {
    DiskStorageDevice silent(nullptr);
    silent.SetMountTable(Root / "mounts");
    EXPECT_FALSE(silent.Connect("//nowhere/share", "", "", ""));
    EXPECT_EQ(silent.LastErrorCode(), ErrorCode::BadNetPath);
}

TEST_F(DiskShareConnectTest, PathReachableAsItStandsNeedsNoMount) {
    // Linux reads a leading "//" as "/", so //tmp/... is an existing folder.
    std::string location = "/" + Root.Path;
    ASSERT_EQ(location.rfind("//", 0), 0u);
    EXPECT_TRUE(Device.Connect(location, "", "", ""));
    EXPECT_TRUE(Output.Messages.empty());
}

}  // namespace
