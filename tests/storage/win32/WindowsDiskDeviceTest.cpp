// The disk device over the Windows layer: names compare ignoring case, the
// read-only attribute, the Windows failure codes in its messages, and shares.

#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "storage/DiskStorageDevice.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempFolder.h"

namespace {

class WindowsDiskDeviceTest : public ::testing::Test {
protected:
    TempFolder Root;
    RecordingOutput Output;
    DiskStorageDevice Device{&Output};
};

TEST_F(WindowsDiskDeviceTest, NamesCompareIgnoringCaseAndPathsUseBackslashes) {
    EXPECT_EQ(Device.NameCaseMode(), NameCase::Ignored);
    EXPECT_EQ(Device.GetLocalCopy("C:\\data", "a.txt"), "C:\\data\\a.txt");
    WriteTextFile(Root / "Readme.TXT", "x");
    auto list = Device.ListFolder(Root.Path, "readme.txt", false);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->EntryAt(1)->Name, "Readme.TXT");
    ASSERT_TRUE(Device.RenameFile(Root.Path, "Readme.TXT", "readme.txt"));
    EXPECT_EQ(Device.ListFolder(Root.Path, "README.TXT", false)->EntryAt(1)->Name, "readme.txt");
}

TEST_F(WindowsDiskDeviceTest, ReadOnlyIsTheAttribute) {
    WriteTextFile(Root / "a.txt", "old");
    WriteTextFile(Root / "b.txt", "new");
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "a.txt", true, false));
    EXPECT_TRUE(Device.ListFolder(Root.Path, "a.txt", false)->EntryAt(1)->IsReadOnly());
    EXPECT_FALSE(Device.PutFile(Root / "b.txt", Root.Path, "a.txt", true));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::AccessDenied);
    EXPECT_FALSE(Device.DeleteFile(Root.Path, "a.txt", true));
    EXPECT_EQ(ReadTextFile(Root / "a.txt"), "old");
    EXPECT_TRUE(Device.SetReadOnly(Root.Path, "a.txt", false, false));
    EXPECT_TRUE(Device.PutFile(Root / "b.txt", Root.Path, "a.txt", true));
    EXPECT_EQ(ReadTextFile(Root / "a.txt"), "new");
    // A name given as a path relative to the folder, as the deletion pass does.
    EXPECT_TRUE(Device.DeleteFile(Root.Path, "\\a.txt", true));
    EXPECT_FALSE(std::filesystem::exists(Root / "a.txt"));
}

TEST_F(WindowsDiskDeviceTest, FileDateKeepsItsMilliseconds) {
    WriteTextFile(Root / "a.txt", "a");
    const double time = EncodeDateTime({2024, 3, 5, 10, 15, 31, 250});
    ASSERT_TRUE(Device.SetFileDate(Root.Path, "a.txt", time));
    auto list = Device.ListFolder(Root.Path, "a.txt", false);
    EXPECT_NEAR(list->EntryAt(1)->ModifiedTime, time, OneSecond / 1000);
    EXPECT_FALSE(Device.SetFileDate(Root.Path, "a.txt", EncodeDateTime({1979, 12, 31})));
}

TEST_F(WindowsDiskDeviceTest, RemovingAFullFolderReportsTheWindowsCode) {
    WriteTextFile(Root / "inner.txt", "x");
    EXPECT_FALSE(Device.RemoveFolder(Root.Path));
    ASSERT_EQ(Output.Messages.size(), 1u);
    EXPECT_EQ(Output.Messages[0].Text,
              "RemoveDirectory (" + Root.Path +
                  ") failed with error 145: " + platform::SystemErrorText(ErrorCode::DirNotEmpty));
    EXPECT_EQ(Device.LastErrorCode(), ErrorCode::DirNotEmpty);
}

// An output that disturbs the thread's last error, as writing a log line may.
class LogLikeOutput : public RecordingOutput {
public:
    void Message(MessageClass cls, const VelMessageText& text) override {
        RecordingOutput::Message(cls, text);
        platform::SetLastErrorCode(0);
    }
};

TEST_F(WindowsDiskDeviceTest, AShareThatCannotBeReachedIsReportedWithItsCode) {
    LogLikeOutput output;
    DiskStorageDevice device(&output);
    EXPECT_TRUE(device.Connect("C:\\data", "", "", ""));
    EXPECT_FALSE(device.Connect("\\\\nosuchserver.invalid\\share\\dir", "me", "secret", ""));
    const uint32_t code = device.LastErrorCode();
    EXPECT_NE(code, 0u);
    ASSERT_EQ(output.Messages.size(), 3u);
    EXPECT_EQ(output.Messages[0].Text, "Failed to connect to \\\\nosuchserver.invalid\\share");
    EXPECT_EQ(output.Messages[1].Text, "Error code: " + std::to_string(code));
    EXPECT_EQ(output.Messages[2].Text, "Description: " + platform::SystemErrorText(code));
}

TEST_F(WindowsDiskDeviceTest, AReachableShareConnectsAndIsListed) {
    SKIP_UNDER_WINE("wine has no UNC paths and no network shares");
    // The administrative share of the system drive is there on every Windows.
    EXPECT_TRUE(Device.Connect("\\\\localhost\\C$\\Windows", "", "", ""));
    EXPECT_TRUE(Device.FolderExists("\\\\localhost\\C$\\Windows"));
    EXPECT_GT(Device.ListFolder("\\\\localhost\\C$\\Windows", "", false)->Count(), 2);
}

}  // namespace
