// The Internet client over the Windows library against a real FTP server
// (pyftpdlib on loopback), with passive and with active data connections.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "platform/LastError.h"
#include "tests/support/FaultyFtpServer.h"
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

// The library takes a listing the server broke off or refused late for a
// complete one, ends an empty one without a reason, and fails every call after
// the server dropped the session with 12110: the layer gives each its code.
TEST(WindowsFtpListingTest, EachEndOfAListingGetsItsCode) {
    using Kind = FtpFault::Kind;
    FaultyFtpServer server;
    ASSERT_TRUE(server.Started()) << server.Problem;
    std::filesystem::create_directories(server.Root + "\\full");
    std::filesystem::create_directories(server.Root + "\\empty");
    WriteTextFile(server.Root + "\\full\\a.txt", "alpha");
    WriteTextFile(server.Root + "\\full\\b.txt", "beta");
    struct {
        const char* what;
        std::vector<FtpFault> faults;
        std::string folder, mask;
        int records;     // -1: the listing fails
        uint32_t code;   // the code after the last record, or of the failure
        uint32_t later;  // of the next call on the connection
    } cases[] = {
        {"complete", {}, "/full", "", 2, ErrorCode::NoMoreFiles, 0},
        {"empty folder", {}, "/empty", "", 0, ErrorCode::NoMoreFiles, 0},
        {"no match", {}, "/full", "c.*", 0, ErrorCode::NoMoreFiles, 0},
        {"cut part-way",
         {FtpFault(Kind::CutData, "LIST").WithBytes(70)},
         "/full",
         "",
         -1,
         ErrorCode::InternetExtendedError,
         0},
        {"150, then 450",
         {FtpFault(Kind::CutData, "LIST").WithReply("450 No files found")},
         "/full",
         "",
         -1,
         ErrorCode::InternetExtendedError,
         0},
        {"refused",
         {FtpFault(Kind::Refuse, "LIST")},
         "/full",
         "",
         -1,
         ErrorCode::InternetExtendedError,
         0},
        {"421",
         {FtpFault(Kind::Answer421, "LIST")},
         "/full",
         "",
         -1,
         ErrorCode::FtpDropped,
         ErrorCode::FtpDropped},
        {"dropped",
         {FtpFault(Kind::DropBefore, "LIST")},
         "/full",
         "",
         -1,
         ErrorCode::FtpDropped,
         ErrorCode::FtpDropped},
    };
    for (const auto& c : cases) {
        InternetHandle session = InternetOpen("VelCopy");
        InternetHandle connection = InternetConnect(session, "127.0.0.1", server.Port, "user",
                                                    "secret", InternetFlagPassive, 1);
        ASSERT_NE(connection, NoInternetHandle) << c.what;
        ASSERT_TRUE(FtpSetCurrentDirectory(connection, c.folder)) << c.what;
        for (const FtpFault& fault : c.faults) server.Arm(fault);
        FindData entry;
        InternetHandle find = FtpFindFirstFile(connection, c.mask, entry, InternetFlagReload, 3);
        int records = find == NoInternetHandle ? 0 : 1;
        while (find != NoInternetHandle && InternetFindNextFile(find, entry)) ++records;
        const uint32_t code = GetLastErrorCode();
        server.Disarm();
        if (find != NoInternetHandle) InternetCloseHandle(find);
        EXPECT_EQ(find == NoInternetHandle ? (c.records == 0 ? 0 : -1) : records, c.records)
            << c.what;
        EXPECT_EQ(code, c.code) << c.what;
        std::string directory;
        EXPECT_EQ(FtpGetCurrentDirectory(connection, directory), c.later == 0) << c.what;
        if (c.later != 0) EXPECT_EQ(GetLastErrorCode(), c.later) << c.what;
        InternetCloseHandle(connection);
        InternetCloseHandle(session);
    }
}

// The library reports nothing about calls made with context 0; the layer's
// callers hear of them all the same.
TEST(WindowsFtpReportTest, ACallWithContextZeroIsReported) {
    PyftpdlibServer server;
    ASSERT_TRUE(server.Started()) << server.Problem;
    InternetHandle session = InternetOpen("VelCopy");
    std::vector<uintptr_t> contexts;
    ASSERT_TRUE(InternetSetStatusCallback(
        session, [&](InternetHandle, uintptr_t context, uint32_t, const void*, uint32_t) {
            contexts.push_back(context);
        }));
    InternetHandle connection =
        InternetConnect(session, "127.0.0.1", server.Port, "user", "secret", 0, 0);
    ASSERT_NE(connection, NoInternetHandle);
    EXPECT_FALSE(contexts.empty());
    EXPECT_EQ(std::count(contexts.begin(), contexts.end(), 0u), ptrdiff_t(contexts.size()));
    contexts.clear();
    EXPECT_TRUE(FtpCommand(connection, "NOOP", 0));
    EXPECT_FALSE(contexts.empty());
    InternetCloseHandle(connection);
    InternetSetStatusCallback(session, {});
    InternetCloseHandle(session);
}

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
