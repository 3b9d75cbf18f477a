// Each fault of the fault-injecting server, armed while it runs, reaches the FTP
// client as the error it stands for, and does (or does not) carry the command out.

#include <filesystem>
#include <functional>

#include "common/ErrorCodes.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FaultyFtpServer.h"

using namespace platform;
using Kind = FtpFault::Kind;

namespace {

class FaultyFtpServerTest : public FtpClientFixture {
protected:
    void SetUp() override {
        if (!Server.Started()) GTEST_SKIP() << "faulty server not available: " << Server.Problem;
        FtpClientFixture::SetUp();
        // Stalls end the calls through the client's own time limit.
        ASSERT_TRUE(InternetSetOption(Session, InternetOption::ReceiveTimeout, 500));
        std::filesystem::create_directory(Server.Root + "/sub");
        WriteTextFile(Server.Root + "/big.bin", std::string(1024 * 1024, 'b'));
    }
    FaultyFtpServer Server;
    TempFolder Local;
};

struct FaultCase {
    const char* What;
    FtpFault Fault;
    std::function<bool(InternetHandle, const TempFolder&)> Call;
    uint32_t Error;        // 0: the call succeeds
    const char* Response;  // the start of the last response, or null
    const char* Effect;    // a path below Root that exists afterwards ("!": must not)
};

TEST_F(FaultyFtpServerTest, EachFaultReachesTheClientAsItsError) {
    auto del = [](InternetHandle c, const TempFolder&) { return FtpDeleteFile(c, "victim"); };
    auto mkd = [](InternetHandle c, const TempFolder&) { return FtpCreateDirectory(c, "made"); };
    auto get = [](InternetHandle c, const TempFolder& local) {
        return FtpGetFile(c, "big.bin", local / "big.bin", false, FtpTransferTypeBinary, 4);
    };
    auto list = [](InternetHandle c, const TempFolder&) {
        FindData entry;
        return FtpFindFirstFile(c, "", entry, 0, 3) != NoInternetHandle;
    };
    const FaultCase cases[] = {
        {"drop before", FtpFault(Kind::DropBefore, "DELE"), del, ErrorCode::FtpDropped, nullptr,
         "victim"},
        {"drop after", FtpFault(Kind::DropAfter, "DELE"), del, ErrorCode::FtpDropped, nullptr,
         "!victim"},
        {"stall a reply for good", FtpFault(Kind::StallReply, "MKD"), mkd,
         ErrorCode::InternetTimeout, nullptr, "!made"},
        {"stall a reply a while", FtpFault(Kind::StallReply, "MKD").WithSeconds(0.2), mkd, 0, "257",
         "made"},
        {"stall a download", FtpFault(Kind::StallData, "RETR").WithBytes(64 * 1024), get,
         ErrorCode::InternetTimeout, nullptr, nullptr},
        {"stall a download a while",
         FtpFault(Kind::StallData, "RETR").WithBytes(64 * 1024).WithSeconds(0.2), get, 0, "226",
         nullptr},
        {"refuse", FtpFault(Kind::Refuse, "DELE").WithReply("553 Not today."), del,
         ErrorCode::InternetExtendedError, "553 Not today.", "victim"},
        {"refuse the 2nd command of any verb", FtpFault(Kind::Refuse, "", 2),
         [](InternetHandle c, const TempFolder&) {
             return FtpSetCurrentDirectory(c, "sub") && FtpCreateDirectory(c, "x");
         },
         ErrorCode::InternetExtendedError, "550 Refused.", "!sub/x"},
        {"cut a listing", FtpFault(Kind::CutData, "LIST").WithBytes(10), list,
         ErrorCode::InternetExtendedError, "426", nullptr},
        {"answer 421", FtpFault(Kind::Answer421, "MKD"), mkd, ErrorCode::FtpDropped, "421 Service",
         "!made"},
    };
    for (const FaultCase& c : cases) {
        WriteTextFile(Server.Root + "/victim", "v");
        std::filesystem::remove_all(Server.Root + "/made");
        InternetHandle connection = Connect(Server.Port, Server.User, Server.Password, true);
        ASSERT_NE(connection, NoInternetHandle) << c.What;
        size_t firedBefore = Server.Fired().size();
        Server.Arm(c.Fault);
        SetLastErrorCode(0);
        bool ok = c.Call(connection, Local);
        EXPECT_EQ(ok, c.Error == 0) << c.What;
        if (c.Error != 0) {
            EXPECT_EQ(GetLastErrorCode(), c.Error) << c.What;
        }
        if (c.Response) {
            EXPECT_EQ(LastResponse().rfind(c.Response, 0), 0u) << c.What << ": " << LastResponse();
        }
        if (c.Effect) {
            bool negated = c.Effect[0] == '!';
            EXPECT_NE(std::filesystem::exists(Server.Root + "/" + (c.Effect + negated)), negated)
                << c.What;
        }
        std::vector<std::string> fired = Server.Fired();
        ASSERT_EQ(fired.size(), firedBefore + 1) << c.What;
        EXPECT_EQ(fired.back().rfind(FtpFaultName(c.Fault.What), 0), 0u) << fired.back();
        Server.Disarm();
        InternetCloseHandle(connection);
        Open.clear();
    }
    // The server saw every command, the password included.
    std::vector<std::string> commands = Server.Commands();
    EXPECT_EQ(commands.at(1), "PASS secret");
}

}  // namespace
