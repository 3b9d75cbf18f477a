// The FTP client against vsftpd (anonymous, uploads into pub), passive and active.
// vsftpd stores and sends text transfers byte for byte, so the line-end
// conversions show on the wire here.

#include <algorithm>

#include "common/ErrorCodes.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FtpServers.h"

using namespace platform;

namespace {

class VsftpdTest : public FtpClientFixture, public ::testing::WithParamInterface<bool> {
protected:
    static void SetUpTestSuite() { Server = new VsftpdServer; }
    static void TearDownTestSuite() {
        delete Server;
        Server = nullptr;
    }
    void SetUp() override {
        if (!Server->Started()) GTEST_SKIP() << "vsftpd not available: " << Server->Problem;
        FtpClientFixture::SetUp();
        Connection = Connect(Server->Port, "anonymous", "", GetParam());
        ASSERT_NE(Connection, NoInternetHandle) << GetLastErrorCode() << " " << LastResponse();
        ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "/pub")) << LastResponse();
        Prefix = GetParam() ? "p-" : "a-";
    }
    static VsftpdServer* Server;
    InternetHandle Connection = NoInternetHandle;
    TempFolder Local;
    std::string Prefix;  // the two modes share the server's folder
};

VsftpdServer* VsftpdTest::Server = nullptr;

TEST_P(VsftpdTest, BinaryRoundTripAndListing) {
    std::string data(1024 * 1024 + 3, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i % 251);
    WriteTextFile(Local / "up.bin", data);
    ASSERT_TRUE(
        FtpPutFile(Connection, Local / "up.bin", Prefix + "b.bin", FtpTransferTypeBinary, 2))
        << GetLastErrorCode() << " " << LastResponse();
    EXPECT_EQ(ReadTextFile(Server->Pub + "/" + Prefix + "b.bin"), data);
    ASSERT_TRUE(FtpGetFile(Connection, Prefix + "b.bin", Local / "down.bin", false,
                           FtpTransferTypeBinary, 4));
    EXPECT_EQ(ReadTextFile(Local / "down.bin"), data);

    std::vector<FindData> found = ListAll(Connection, Prefix + "b.bin");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].SizeLow, data.size());
    EXPECT_EQ(found[0].Attributes & Attribute::Directory, 0u);
}

TEST_P(VsftpdTest, TextModeConvertsLineEndsOnTheWire) {
    WriteTextFile(Local / "up.txt", "a\nb\r\n\nc");
    ASSERT_TRUE(
        FtpPutFile(Connection, Local / "up.txt", Prefix + "t.txt", FtpTransferTypeAscii, 2));
    EXPECT_EQ(ReadTextFile(Server->Pub + "/" + Prefix + "t.txt"), "a\r\nb\r\n\r\nc");
    WriteTextFile(Server->Pub + "/" + Prefix + "crlf.txt", "x\r\ny\n\r\rz\r\n");
    chmod((Server->Pub + "/" + Prefix + "crlf.txt").c_str(), 0644);
    ASSERT_TRUE(FtpGetFile(Connection, Prefix + "crlf.txt", Local / "down.txt", false,
                           FtpTransferTypeAscii, 4))
        << LastResponse();
    EXPECT_EQ(ReadTextFile(Local / "down.txt"), "x\ny\n\r\rz\n");
}

TEST_P(VsftpdTest, FolderCallsAndMissingFolder) {
    std::string folder = Prefix + "dir";
    ASSERT_TRUE(FtpCreateDirectory(Connection, folder)) << LastResponse();
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, folder));
    std::string directory;
    ASSERT_TRUE(FtpGetCurrentDirectory(Connection, directory));
    EXPECT_EQ(directory, "/pub/" + folder);
    WriteTextFile(Local / "f", "data");
    ASSERT_TRUE(FtpPutFile(Connection, Local / "f", "f", FtpTransferTypeBinary, 2));
    ASSERT_TRUE(FtpRenameFile(Connection, "f", "g")) << LastResponse();
    EXPECT_EQ(Names(ListAll(Connection)), (std::vector<std::string>{".", "..", "g"}));
    ASSERT_TRUE(FtpDeleteFile(Connection, "g")) << LastResponse();
    // vsftpd lists "." and ".." for "LIST -a", also in an empty folder; a name that
    // is not there is nothing to list.
    EXPECT_EQ(Names(ListAll(Connection)), (std::vector<std::string>{".", ".."}));
    FindData entry;
    EXPECT_EQ(FtpFindFirstFile(Connection, "g", entry, 0, 3), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "/pub"));
    ASSERT_TRUE(FtpRemoveDirectory(Connection, folder));

    EXPECT_FALSE(FtpSetCurrentDirectory(Connection, "/pub/missing"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
    EXPECT_EQ(LastResponse().substr(0, 4), "550 ");
}

INSTANTIATE_TEST_SUITE_P(Modes, VsftpdTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

}  // namespace
