// The FTP client against pyftpdlib: every call of the contract, in passive and
// active mode, and the commands each call sends.

#include <sys/stat.h>

#include <algorithm>
#include <thread>

#include "common/ErrorCodes.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FaultyFtpServer.h"
#include "tests/support/FtpServers.h"

using namespace platform;

namespace {

std::string AllBytes(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = char((i * 7 + i / 256) & 0xFF);
    return data;
}

class PyftpdlibTest : public FtpClientFixture, public ::testing::WithParamInterface<bool> {
protected:
    static void SetUpTestSuite() { Server = new PyftpdlibServer; }
    static void TearDownTestSuite() {
        delete Server;
        Server = nullptr;
    }
    void SetUp() override {
        if (!Server->Started()) GTEST_SKIP() << "pyftpdlib not available: " << Server->Problem;
        FtpClientFixture::SetUp();
        // Every test works in a folder of its own under the server root.
        Folder = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::replace(Folder.begin(), Folder.end(), '/', '_');
        Here = Server->Root + "/" + Folder;
        std::filesystem::create_directories(Here);
        Connection = Connect(Server->Port, "user", "secret", GetParam());
        ASSERT_NE(Connection, NoInternetHandle) << GetLastErrorCode() << " " << LastResponse();
        ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "/" + Folder));
    }
    std::vector<std::string> CommandsSince(size_t from) {
        std::vector<std::string> all = Server->Commands();
        return std::vector<std::string>(all.begin() + std::min(from, all.size()), all.end());
    }

    static PyftpdlibServer* Server;
    std::string Folder;
    std::string Here;
    InternetHandle Connection = NoInternetHandle;
    TempFolder Local;
};

PyftpdlibServer* PyftpdlibTest::Server = nullptr;

TEST_P(PyftpdlibTest, BinaryRoundTripKeepsEveryByte) {
    std::string data = AllBytes(3 * 1024 * 1024 + 17);
    WriteTextFile(Local / "up.bin", data);
    ASSERT_TRUE(FtpPutFile(Connection, Local / "up.bin", "stored.bin", FtpTransferTypeBinary, 2))
        << GetLastErrorCode();
    EXPECT_EQ(ReadTextFile(Here + "/stored.bin"), data);
    ASSERT_TRUE(
        FtpGetFile(Connection, "stored.bin", Local / "down.bin", false, FtpTransferTypeBinary, 4));
    EXPECT_EQ(ReadTextFile(Local / "down.bin"), data);
}

TEST_P(PyftpdlibTest, TextTransfersConvertLineEnds) {
    // pyftpdlib stores text uploads with LF line ends and sends text downloads with
    // CR LF, so a text round trip through it shows both conversions.
    WriteTextFile(Local / "up.txt", "one\ntwo\r\nthree\n");
    ASSERT_TRUE(FtpPutFile(Connection, Local / "up.txt", "t.txt", FtpTransferTypeAscii, 2));
    EXPECT_EQ(ReadTextFile(Here + "/t.txt"), "one\ntwo\nthree\n");
    ASSERT_TRUE(
        FtpGetFile(Connection, "t.txt", Local / "down.txt", false, FtpTransferTypeAscii, 4));
    EXPECT_EQ(ReadTextFile(Local / "down.txt"), "one\ntwo\nthree\n");
}

TEST_P(PyftpdlibTest, ListingGivesParsedEntriesAndMasksAreMatchedHere) {
    WriteTextFile(Here + "/a.txt", "12345");
    WriteTextFile(Here + "/b.txt", "");
    WriteTextFile(Here + "/two  spaces .txt", "x");
    std::filesystem::create_directory(Here + "/sub dir");
    std::vector<FindData> all = ListAll(Connection);
    ASSERT_EQ(all.size(), 4u);
    auto named = [&](const std::string& name) {
        auto found = std::find_if(all.begin(), all.end(),
                                  [&](const FindData& entry) { return entry.Name == name; });
        return found == all.end() ? nullptr : &*found;
    };
    ASSERT_NE(named("a.txt"), nullptr);
    EXPECT_EQ(named("a.txt")->SizeLow, 5u);
    EXPECT_EQ(named("a.txt")->Attributes & Attribute::Directory, 0u);
    ASSERT_NE(named("sub dir"), nullptr);
    EXPECT_NE(named("sub dir")->Attributes & Attribute::Directory, 0u);
    EXPECT_NE(named("two  spaces .txt"), nullptr);

    size_t before = Server->Commands().size();
    std::vector<FindData> one = ListAll(Connection, "b.txt");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Name, "b.txt");
    EXPECT_EQ(ListAll(Connection, "*.txt").size(), 3u);
    // The mask never reaches the server: it would be taken as a glob there.
    for (const std::string& command : CommandsSince(before)) {
        if (command.rfind("LIST", 0) == 0) {
            EXPECT_EQ(command, "LIST -a");
        }
    }

    FindData entry;
    EXPECT_EQ(FtpFindFirstFile(Connection, "missing.txt", entry, 0, 3), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "sub dir"));
    // pyftpdlib ignores "-a". Having seen it list entries, the connection takes an
    // empty answer for an empty folder and does not ask again plainly.
    before = Server->Commands().size();
    EXPECT_EQ(FtpFindFirstFile(Connection, "", entry, 0, 3), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
    std::vector<std::string> lists;
    for (const std::string& command : CommandsSince(before))
        if (command.rfind("LIST", 0) == 0) lists.push_back(command);
    EXPECT_EQ(lists, std::vector<std::string>{"LIST -a"});
}

TEST_P(PyftpdlibTest, FolderAndFileCalls) {
    ASSERT_TRUE(FtpCreateDirectory(Connection, "made"));
    EXPECT_TRUE(std::filesystem::is_directory(Here + "/made"));
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "made"));
    std::string directory;
    ASSERT_TRUE(FtpGetCurrentDirectory(Connection, directory));
    EXPECT_EQ(directory, "/" + Folder + "/made");

    WriteTextFile(Local / "f.txt", "content");
    ASSERT_TRUE(FtpPutFile(Connection, Local / "f.txt", "f.txt", FtpTransferTypeBinary, 2));
    ASSERT_TRUE(FtpRenameFile(Connection, "f.txt", "g.txt"));
    EXPECT_EQ(ReadTextFile(Here + "/made/g.txt"), "content");
    ASSERT_TRUE(FtpCommand(Connection, "SITE CHMOD 600 g.txt", 0)) << LastResponse();
    EXPECT_EQ(ModeOf(Here + "/made/g.txt"), 0600u);
    ASSERT_TRUE(FtpDeleteFile(Connection, "g.txt"));
    EXPECT_FALSE(std::filesystem::exists(Here + "/made/g.txt"));

    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, ".."));
    ASSERT_TRUE(FtpRemoveDirectory(Connection, "made"));
    EXPECT_FALSE(std::filesystem::exists(Here + "/made"));
}

TEST_P(PyftpdlibTest, ServerErrorRepliesFail12003WithTheReplyAsLastResponse) {
    struct Case {
        const char* What;
        std::function<bool()> Call;
    };
    std::vector<Case> cases = {
        {"CWD missing", [&] { return FtpSetCurrentDirectory(Connection, "no such folder"); }},
        {"DELE missing", [&] { return FtpDeleteFile(Connection, "no such file"); }},
        {"RNFR missing", [&] { return FtpRenameFile(Connection, "no such file", "x"); }},
        {"RMD missing", [&] { return FtpRemoveDirectory(Connection, "no such folder"); }},
        {"RETR missing",
         [&] {
             return FtpGetFile(Connection, "no such file", Local / "x", false,
                               FtpTransferTypeBinary, 4);
         }},
        {"SITE CHMOD missing", [&] { return FtpCommand(Connection, "SITE CHMOD 600 nope", 0); }},
    };
    for (const Case& c : cases) {
        SetLastErrorCode(0);
        EXPECT_FALSE(c.Call()) << c.What;
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError) << c.What;
        uint32_t error = 0;
        std::string response;
        ASSERT_TRUE(InternetGetLastResponseInfo(error, response));
        EXPECT_EQ(response.substr(0, 4), "550 ") << c.What << ": " << response;
        EXPECT_EQ(error, ErrorCode::InternetExtendedError);
    }
    EXPECT_FALSE(std::filesystem::exists(Local / "x"));
    // The connection is still usable after error replies.
    std::string directory;
    EXPECT_TRUE(FtpGetCurrentDirectory(Connection, directory));
}

TEST_P(PyftpdlibTest, SendsOnlyTheCommandsACallNeeds) {
    size_t before = Server->Commands().size();
    InternetHandle fresh = Connect(Server->Port, "user", "secret", GetParam());
    ASSERT_NE(fresh, NoInternetHandle);
    ASSERT_TRUE(FtpSetCurrentDirectory(fresh, "/" + Folder));
    WriteTextFile(Local / "f", "x\n");
    ASSERT_TRUE(FtpPutFile(fresh, Local / "f", "one", FtpTransferTypeBinary, 2));
    ASSERT_TRUE(FtpPutFile(fresh, Local / "f", "two", FtpTransferTypeBinary, 2));
    ASSERT_TRUE(FtpGetFile(fresh, "one", Local / "g", false, FtpTransferTypeAscii, 4));
    ASSERT_EQ(ListAll(fresh, "one").size(), 1u);
    ASSERT_TRUE(FtpDeleteFile(fresh, "two"));
    std::string data = GetParam() ? "PASV" : "PORT";
    std::vector<std::string> expected = {
        "USER user", "PASS secret", "CWD /" + Folder, "TYPE I",  data,
        "STOR one",  data,          "STOR two",       "TYPE A",  data,
        "RETR one",  data,          "LIST -a",        "DELE two"};
    std::vector<std::string> sent = CommandsSince(before);
    // PORT carries an address; compare its verb only.
    for (std::string& command : sent)
        if (command.rfind("PORT ", 0) == 0) command = "PORT";
    EXPECT_EQ(sent, expected);
}

TEST_P(PyftpdlibTest, TransferReportsItsProgressAndItsHandle) {
    WriteTextFile(Here + "/big.bin", AllBytes(2 * 1024 * 1024));
    Recorder.Take();
    ASSERT_TRUE(
        FtpGetFile(Connection, "big.bin", Local / "big.bin", false, FtpTransferTypeBinary, 4));
    std::vector<StatusEvent> events = Recorder.Take();
    ASSERT_FALSE(events.empty());
    auto count = [&](uint32_t status) {
        return std::count_if(events.begin(), events.end(),
                             [&](const StatusEvent& e) { return e.Status == status; });
    };
    EXPECT_GE(count(InternetStatus::SendingRequest), 2);  // TYPE/PASV/RETR
    EXPECT_EQ(count(InternetStatus::SendingRequest), count(InternetStatus::RequestSent));
    EXPECT_GE(count(InternetStatus::ResponseReceived), 8);      // replies and data chunks
    EXPECT_EQ(count(InternetStatus::IntermediateResponse), 1);  // the 150
    ASSERT_EQ(events.front().Status, InternetStatus::HandleCreated);
    InternetHandle data = events.front().Carried;
    EXPECT_NE(data, NoInternetHandle);
    EXPECT_NE(data, Connection);
    auto closing = std::find_if(events.begin(), events.end(), [](const StatusEvent& e) {
        return e.Status == InternetStatus::HandleClosing;
    });
    ASSERT_NE(closing, events.end());
    EXPECT_EQ(closing->Carried, data);
    EXPECT_EQ(events.back().Status, InternetStatus::RequestComplete);
    EXPECT_EQ(events.back().Handle, Connection);
    // The data handle is gone once the call has returned.
    EXPECT_FALSE(InternetCloseHandle(data));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InvalidHandle);
}

TEST_P(PyftpdlibTest, ClosedConnectionFailsWith6AfterReportingItsClose) {
    Recorder.Take();
    ASSERT_TRUE(InternetCloseHandle(Connection));
    std::vector<uint32_t> codes = Recorder.TakeCodes();
    EXPECT_EQ(codes, (std::vector<uint32_t>{InternetStatus::ClosingConnection,
                                            InternetStatus::ConnectionClosed,
                                            InternetStatus::HandleClosing}));
    EXPECT_FALSE(FtpSetCurrentDirectory(Connection, "/"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InvalidHandle);
    EXPECT_FALSE(InternetCloseHandle(Connection));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InvalidHandle);
    EXPECT_TRUE(Recorder.TakeCodes().empty());
    Open.clear();
}

TEST_P(PyftpdlibTest, NameWithLineBreakIsRefusedBeforeAnythingIsSent) {
    size_t before = Server->Commands().size();
    EXPECT_FALSE(FtpDeleteFile(Connection, "x\r\nDELE important"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InvalidName);
    EXPECT_TRUE(CommandsSince(before).empty());
    std::string directory;
    EXPECT_TRUE(FtpGetCurrentDirectory(Connection, directory));
}

TEST_P(PyftpdlibTest, LastErrorAndLastResponseArePerThread) {
    SetLastErrorCode(0);
    std::string mine = LastResponse();
    uint32_t theirError = 0;
    std::string theirResponse;
    std::thread other([&] {
        FtpSetCurrentDirectory(Connection, "no such folder");
        theirError = GetLastErrorCode();
        theirResponse = LastResponse();
    });
    other.join();
    EXPECT_EQ(theirError, ErrorCode::InternetExtendedError);
    EXPECT_EQ(theirResponse.substr(0, 3), "550");
    EXPECT_EQ(GetLastErrorCode(), 0u);
    EXPECT_EQ(LastResponse(), mine);
}

TEST_P(PyftpdlibTest, RefusedPasswordFails12014WithTheReply) {
    EXPECT_EQ(Connect(Server->Port, "user", "wrong", GetParam()), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetIncorrectPassword);
    EXPECT_EQ(LastResponse().substr(0, 4), "530 ");
}

TEST(FtpClientIpv6, UsesEpsvAndEprtOverIpv6) {
    PyftpdlibServer server("::1");
    if (!server.Started()) GTEST_SKIP() << "pyftpdlib on ::1 not available: " << server.Problem;
    TempFolder local;
    WriteTextFile(local / "f", "six");
    InternetHandle session = InternetOpen("VelCopyTest");
    for (bool passive : {true, false}) {
        InternetHandle connection = InternetConnect(session, "::1", server.Port, "user", "secret",
                                                    passive ? InternetFlagPassive : 0, 0);
        ASSERT_NE(connection, NoInternetHandle) << GetLastErrorCode();
        std::string name = passive ? "passive" : "active";
        EXPECT_TRUE(FtpPutFile(connection, local / "f", name, FtpTransferTypeBinary, 2))
            << GetLastErrorCode();
        EXPECT_EQ(ReadTextFile(server.Root + "/" + name), "six");
        InternetCloseHandle(connection);
    }
    InternetCloseHandle(session);
    bool epsv = false, eprt = false;
    for (const std::string& command : server.Commands()) {
        epsv = epsv || command == "EPSV";
        eprt = eprt || command.rfind("EPRT |2|::1|", 0) == 0;
        EXPECT_NE(command, "PASV");
    }
    EXPECT_TRUE(epsv);
    EXPECT_TRUE(eprt);
}

TEST(FtpTestServers, AnActiveTransferDoesNotStopThePyftpdlibServersServingOthers) {
    // pyftpdlib closes the connector of an active data connection a second time
    // with its control connection; the descriptor number may by then serve another
    // client, which would never be read again.
    PyftpdlibServer plain;
    FaultyFtpServer faulty;
    for (ExternalFtpServer* server :
         {static_cast<ExternalFtpServer*>(&plain), static_cast<ExternalFtpServer*>(&faulty)}) {
        if (!server->Started()) GTEST_SKIP() << server->Problem;
        InternetHandle session = InternetOpen("VelCopyTest");
        ASSERT_TRUE(InternetSetOption(session, InternetOption::ReceiveTimeout, 3000));
        WriteTextFile(server->Root + "/f", "data");
        TempFolder local;
        InternetHandle first =
            InternetConnect(session, "127.0.0.1", server->Port, "user", "secret", 0, 0);
        ASSERT_NE(first, NoInternetHandle);
        ASSERT_TRUE(FtpGetFile(first, "f", local / "f", false, FtpTransferTypeBinary, 4));
        InternetHandle second =
            InternetConnect(session, "127.0.0.1", server->Port, "user", "secret", 0, 0);
        ASSERT_NE(second, NoInternetHandle);
        InternetCloseHandle(first);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::string directory;
        EXPECT_TRUE(FtpGetCurrentDirectory(second, directory)) << GetLastErrorCode();
        InternetCloseHandle(second);
        InternetCloseHandle(session);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PyftpdlibTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

}  // namespace
