// The Internet client over the Windows library against a real FTP server
// (pyftpdlib on loopback), with passive and with active data connections.

#include <gtest/gtest.h>

#include <set>

#include "platform/ErrorCodes.h"
#include "platform/InternetClient.h"
#include "platform/LastError.h"
#include "tests/support/FtpServers.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace platform;

class WindowsFtpTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(Server.Started()) << Server.Problem;
        Session = InternetOpen("VelCopy");
        ASSERT_NE(Session, NoInternetHandle);
        Connection = InternetConnect(Session, "127.0.0.1", Server.Port, "user", "secret",
                                     GetParam() ? InternetFlagPassive : 0, 1);
        ASSERT_NE(Connection, NoInternetHandle) << GetLastErrorCode();
    }
    void TearDown() override {
        if (Connection != NoInternetHandle) InternetCloseHandle(Connection);
        if (Session != NoInternetHandle) InternetCloseHandle(Session);
    }
    // The names and sizes of the working directory's listing.
    std::set<std::pair<std::string, uint32_t>> Listing() {
        std::set<std::pair<std::string, uint32_t>> names;
        FindData entry;
        InternetHandle find = FtpFindFirstFile(Connection, "", entry, InternetFlagReload, 0);
        if (find == NoInternetHandle) return names;
        do {
            names.insert({entry.Name, entry.SizeLow});
        } while (InternetFindNextFile(find, entry));
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
        InternetCloseHandle(find);
        return names;
    }

    PyftpdlibServer Server;
    TempFolder Local;
    InternetHandle Session = NoInternetHandle;
    InternetHandle Connection = NoInternetHandle;
};

TEST_P(WindowsFtpTest, FilesGoUpAndComeBackByteForByte) {
    const std::string content = std::string("line\r\nbare\nnul\0end", 18) + std::string(70000, 'x');
    WriteTextFile(Local / "a.bin", content);
    ASSERT_TRUE(FtpCreateDirectory(Connection, "sub"));
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "sub"));
    std::string directory;
    ASSERT_TRUE(FtpGetCurrentDirectory(Connection, directory));
    EXPECT_EQ(directory, "/sub");
    ASSERT_TRUE(FtpPutFile(Connection, Local / "a.bin", "a.bin", FtpTransferTypeBinary, 0));
    EXPECT_EQ(ReadTextFile(Server.Root + "\\sub\\a.bin"), content);
    EXPECT_EQ(Listing(), (std::set<std::pair<std::string, uint32_t>>{{"a.bin", 70018}}));
    ASSERT_TRUE(
        FtpGetFile(Connection, "a.bin", Local / "back.bin", false, FtpTransferTypeBinary, 0));
    EXPECT_EQ(ReadTextFile(Local / "back.bin"), content);

    // Text mode: lines end in LF on the server.
    WriteTextFile(Local / "t.txt", "one\r\ntwo\r\n");
    ASSERT_TRUE(FtpPutFile(Connection, Local / "t.txt", "t.txt", FtpTransferTypeAscii, 0));
    EXPECT_EQ(ReadTextFile(Server.Root + "\\sub\\t.txt"), "one\ntwo\n");
}

TEST_P(WindowsFtpTest, RenameChmodDeleteAndTheirRefusals) {
    WriteTextFile(Server.Root + "\\a.txt", "a");
    ASSERT_TRUE(FtpRenameFile(Connection, "a.txt", "b.txt"));
    EXPECT_TRUE(FtpCommand(Connection, "SITE CHMOD 600 b.txt", 0));
    EXPECT_FALSE(
        FtpGetFile(Connection, "missing.txt", Local / "m.txt", false, FtpTransferTypeBinary, 0));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
    EXPECT_FALSE(std::filesystem::exists(Local / "m.txt"));
    uint32_t error = 0;
    std::string response;
    ASSERT_TRUE(InternetGetLastResponseInfo(error, response));
    EXPECT_NE(response.find("550"), std::string::npos) << response;
    EXPECT_FALSE(FtpDeleteFile(Connection, "missing.txt"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
    ASSERT_TRUE(FtpDeleteFile(Connection, "b.txt"));
    EXPECT_TRUE(Listing().empty());
    // An empty listing ends as every listing does.
    FindData entry;
    EXPECT_EQ(FtpFindFirstFile(Connection, "", entry, InternetFlagReload, 0), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, WindowsFtpTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Passive" : "Active";
                         });

TEST(WindowsFtpLoginTest, AWrongPasswordIsRefusedWithTheServersReply) {
    PyftpdlibServer server;
    ASSERT_TRUE(server.Started()) << server.Problem;
    InternetHandle session = InternetOpen("VelCopy");
    EXPECT_EQ(
        InternetConnect(session, "127.0.0.1", server.Port, "user", "wrong", InternetFlagPassive, 0),
        NoInternetHandle);
    const uint32_t code = GetLastErrorCode();
    EXPECT_TRUE(code == ErrorCode::InternetIncorrectPassword ||
                code == ErrorCode::InternetLoginFailure)
        << code;
    uint32_t error = 0;
    std::string response;
    ASSERT_TRUE(InternetGetLastResponseInfo(error, response));
    EXPECT_NE(response.find("530"), std::string::npos) << response;
    InternetCloseHandle(session);
}

}  // namespace
