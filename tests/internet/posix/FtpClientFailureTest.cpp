// How the FTP client fails: login outcomes, servers that stall, drop the
// connection or misbehave, and closes from another thread, against scripted fake
// servers on 127.0.0.1.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "common/ErrorCodes.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FtpServers.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

// A data listener of a fake server on 127.0.0.1: the port for a PASV reply.
struct DataListener {
    DataListener() { Fd = ListenOnLoopback(1, Port); }
    ~DataListener() { close(Fd); }
    std::string PasvReply(const std::string& hostCommas) const {
        return "227 Entering Passive Mode (" + hostCommas + "," + std::to_string(Port / 256) + "," +
               std::to_string(Port % 256) + ").\r\n";
    }
    int Fd;
    uint16_t Port;
};

class FtpClientFailureTest : public FtpClientFixture {
protected:
    InternetHandle ConnectTo(const ScriptedFtpServer& server, bool passive = true) {
        return Connect(server.Port(), "user", "pw", passive);
    }
    static long long MillisecondsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
};

struct LoginCase {
    const char* What;
    const char* Greeting;
    const char* UserReply;
    const char* PassReply;
    uint32_t Error;
    const char* Response;  // the start of the last response
};

TEST_F(FtpClientFailureTest, LoginOutcomes) {
    const LoginCase cases[] = {
        {"user refused", "220 hi\r\n", "530 No such user.\r\n", "", 12013, "530 No such user."},
        {"password refused", "220 hi\r\n", "331 pw\r\n", "530 Wrong.\r\n", 12014, "530 Wrong."},
        {"other error to PASS", "220 hi\r\n", "331 pw\r\n", "500 Odd.\r\n", 12003, "500 Odd."},
        {"account asked for", "220 hi\r\n", "331 pw\r\n", "332 Account?\r\n", 12003, "332"},
        {"busy greeting", "421 Too many users.\r\n", "", "", 12003, "421 Too many"},
        {"greeting after a wait", "120 Wait a moment.\r\n220 Ready.\r\n", "230 In.\r\n", "", 0,
         "230 In."},
        {"multi-line greeting", "220-Welcome\r\n220-to the\r\n220 server\r\n", "331 pw\r\n",
         "230 In.\r\n", 0, "230 In."},
    };
    for (const LoginCase& c : cases) {
        ScriptedFtpServer server(c.Greeting, [&](ScriptedSession& s, const std::string& line) {
            if (line.rfind("USER ", 0) == 0) return s.Send(c.UserReply);
            if (line.rfind("PASS ", 0) == 0) return s.Send(c.PassReply);
            return s.Send("500 ?\r\n");
        });
        SetLastErrorCode(0);
        InternetHandle connection = ConnectTo(server);
        EXPECT_EQ(connection != NoInternetHandle, c.Error == 0) << c.What;
        if (c.Error != 0) {
            EXPECT_EQ(GetLastErrorCode(), c.Error) << c.What;
        }
        EXPECT_EQ(LastResponse().rfind(c.Response, 0), 0u) << c.What << ": " << LastResponse();
    }
}

TEST_F(FtpClientFailureTest, NothingListeningFails12029) {
    ScriptedFtpServer* server = new ScriptedFtpServer("", {});
    uint16_t port = server->Port();
    delete server;  // the port is now closed
    EXPECT_EQ(Connect(port, "u", "p", true), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetCannotConnect);
}

TEST_F(FtpClientFailureTest, UnknownHostFails12007) {
    InternetHandle connection =
        InternetConnect(Session, "no-such-host.invalid", 21, "u", "p", InternetFlagPassive, 0);
    EXPECT_EQ(connection, NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetNameNotResolved);
}

TEST_F(FtpClientFailureTest, ConnectTimeLimitFails12002) {
    // A listener whose backlog is full lets further connection attempts hang.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    ASSERT_TRUE(InternetSetOption(Session, InternetOption::ConnectTimeout, 300));
    auto start = Clock::now();
    EXPECT_EQ(Connect(ntohs(address.sin_port), "u", "p", true), NoInternetHandle);
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetTimeout);
    EXPECT_LT(MillisecondsSince(start), 2000);
    for (int fd : fillers) close(fd);
    close(listener);
}

TEST_F(FtpClientFailureTest, CloseFromAnotherThreadEndsABlockedCallAtOnceWith12030) {
    // The server takes the command and never answers; then the same with a listing
    // whose data connection stays silent after the 150.
    DataListener data;
    ScriptedFtpServer server("220 hi\r\n",
                             LoginThen([&](ScriptedSession& s, const std::string& line) {
                                 if (line == "PASV") return s.Send(data.PasvReply("127,0,0,1"));
                                 if (line.rfind("LIST", 0) == 0)
                                     return s.Send("150 Here it comes.\r\n");
                                 return true;  // stall
                             }));
    for (std::string command : {"CWD", "LIST"}) {
        InternetHandle connection = ConnectTo(server);
        ASSERT_NE(connection, NoInternetHandle);
        Clock::time_point returned;
        uint32_t error = 0;
        std::thread call([&] {
            FindData entry;
            bool ok = command == "CWD" ? FtpSetCurrentDirectory(connection, "/x")
                                       : FtpFindFirstFile(connection, "", entry, 0, 3) != 0;
            error = ok ? 0 : GetLastErrorCode();
            returned = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        auto closed = Clock::now();
        ASSERT_TRUE(InternetCloseHandle(connection));
        call.join();
        EXPECT_EQ(error, ErrorCode::InternetConnectionAborted) << command;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - closed).count(),
                  1000)
            << command;
        Open.clear();
    }
}

TEST_F(FtpClientFailureTest, ClosingTheRequestHandleOfAStalledTransferAbortsIt) {
    // The watchdog closes the data handle it was told about first.
    DataListener data;
    ScriptedFtpServer server("220 hi\r\n",
                             LoginThen([&](ScriptedSession& s, const std::string& line) {
                                 if (line == "PASV") return s.Send(data.PasvReply("127,0,0,1"));
                                 if (line.rfind("TYPE", 0) == 0) return s.Send("200 ok\r\n");
                                 if (line.rfind("RETR", 0) == 0) return s.Send("150 Sending.\r\n");
                                 return true;
                             }));
    std::promise<InternetHandle> created;
    ASSERT_TRUE(InternetSetStatusCallback(
        Session, [&](InternetHandle, uintptr_t, uint32_t status, const void* info, uint32_t) {
            if (status == InternetStatus::HandleCreated)
                created.set_value(static_cast<const InternetAsyncResult*>(info)->Result);
        }));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    TempFolder local;
    uint32_t error = 0;
    std::thread call([&] {
        if (!FtpGetFile(connection, "f", local / "f", false, FtpTransferTypeBinary, 4))
            error = GetLastErrorCode();
    });
    InternetHandle request = created.get_future().get();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(InternetCloseHandle(request));
    call.join();
    EXPECT_EQ(error, ErrorCode::InternetConnectionAborted);
    EXPECT_FALSE(std::filesystem::exists(local / "f"));
    // The control connection's state is unknown now: later calls fail.
    EXPECT_FALSE(FtpSetCurrentDirectory(connection, "/"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetConnectionAborted);
}

TEST_F(FtpClientFailureTest, ReceiveTimeLimitFails12002) {
    ScriptedFtpServer server("220 hi\r\n", LoginThen([](ScriptedSession&, const std::string&) {
                                 return true;  // never answers
                             }));
    ASSERT_TRUE(InternetSetOption(Session, InternetOption::ReceiveTimeout, 300));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    uint32_t limit = 0;
    ASSERT_TRUE(InternetQueryOption(connection, InternetOption::ReceiveTimeout, limit));
    EXPECT_EQ(limit, 300u);
    auto start = Clock::now();
    EXPECT_FALSE(FtpDeleteFile(connection, "f"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetTimeout);
    EXPECT_LT(MillisecondsSince(start), 2000);
}

TEST_F(FtpClientFailureTest, DefaultTimeLimitsAreFiveMinutes) {
    uint32_t send = 0, receive = 0;
    ASSERT_TRUE(InternetQueryOption(Session, InternetOption::SendTimeout, send));
    ASSERT_TRUE(InternetQueryOption(Session, InternetOption::ReceiveTimeout, receive));
    EXPECT_EQ(send, 300000u);
    EXPECT_EQ(receive, 300000u);
    EXPECT_FALSE(InternetSetOption(Session, 9999, 1));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetInvalidOption);
}

TEST_F(FtpClientFailureTest, SessionEndedByTheServerFails12111) {
    struct Case {
        const char* What;
        std::function<bool(ScriptedSession&)> OnCwd;
        const char* Response;
    };
    const Case cases[] = {
        {"control connection closed", [](ScriptedSession&) { return false; }, "230 Logged in."},
        {"421 reply", [](ScriptedSession& s) { return s.Send("421 Timeout.\r\n"); },
         "421 Timeout."},
    };
    for (const Case& c : cases) {
        ScriptedFtpServer server("220 hi\r\n",
                                 LoginThen([&](ScriptedSession& s, const std::string& line) {
                                     if (line.rfind("CWD", 0) == 0) return c.OnCwd(s);
                                     return s.Send("200 ok\r\n");
                                 }));
        InternetHandle connection = ConnectTo(server);
        ASSERT_NE(connection, NoInternetHandle);
        Recorder.Take();
        EXPECT_FALSE(FtpSetCurrentDirectory(connection, "/x")) << c.What;
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::FtpDropped) << c.What;
        EXPECT_EQ(LastResponse().rfind(c.Response, 0), 0u) << c.What << ": " << LastResponse();
        std::vector<uint32_t> codes = Recorder.TakeCodes();
        EXPECT_NE(std::find(codes.begin(), codes.end(), InternetStatus::ConnectionClosed),
                  codes.end())
            << c.What;
        EXPECT_FALSE(FtpDeleteFile(connection, "f"));
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::FtpDropped) << c.What;
        EXPECT_EQ(server.Connections(), 1);
    }
}

// Sends text a byte at a time, every 20 ms, until done or the client has gone.
bool Trickle(ScriptedSession& session, const std::string& text) {
    for (char c : text) {
        if (!session.Send(std::string(1, c))) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Sends a 1xx reply every 10 ms until the client has gone.
bool Preliminaries(ScriptedSession& session, const std::string& reply) {
    while (session.Send(reply)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return false;
}

TEST_F(FtpClientFailureTest, ServerAnsweringALittleAtATimeIsCutOff) {
    // Each server would keep the call going for a minute or for ever, while every
    // byte or reply looks like progress to a watchdog.
    const std::string slow = "250 " + std::string(3000, '.') + "\r\n";  // a minute
    auto greeting = [](ScriptedSession& s) { return s.Send("220 hi\r\n"); };
    auto loggedIn = [&](std::function<bool(ScriptedSession&)> onCwd) {
        return LoginThen([onCwd](ScriptedSession& s, const std::string& line) {
            return line.rfind("CWD", 0) == 0 ? onCwd(s) : s.Send("200 ok\r\n");
        });
    };
    struct Case {
        const char* What;
        ScriptedFtpServer::Greeter Greet;
        ScriptedFtpServer::Script Script;
        bool AtLogin;
        uint32_t Error;
    };
    const Case cases[] = {
        {"greeting of endless 120 replies",
         [](ScriptedSession& s) { return Preliminaries(s, "120 Soon.\r\n"); }, loggedIn({}), true,
         ErrorCode::InternetInvalidServerResponse},
        {"greeting a byte at a time", [&](ScriptedSession& s) { return Trickle(s, slow); },
         loggedIn({}), true, ErrorCode::InternetTimeout},
        {"login reply a byte at a time", greeting,
         [&](ScriptedSession& s, const std::string&) { return Trickle(s, slow); }, true,
         ErrorCode::InternetTimeout},
        {"endless 150 replies", greeting,
         loggedIn([](ScriptedSession& s) { return Preliminaries(s, "150 Working.\r\n"); }), false,
         ErrorCode::InternetInvalidServerResponse},
        {"reply a byte at a time", greeting,
         loggedIn([&](ScriptedSession& s) { return Trickle(s, slow); }), false,
         ErrorCode::InternetTimeout},
        {"a few 1xx replies, then the answer", greeting, loggedIn([](ScriptedSession& s) {
             for (int i = 0; i < 8; ++i) s.Send("150 Working.\r\n");
             return s.Send("250 Done.\r\n");
         }),
         false, 0},
    };
    ASSERT_TRUE(InternetSetOption(Session, InternetOption::ReceiveTimeout, 500));
    for (const Case& c : cases) {
        ScriptedFtpServer server(c.Greet, c.Script);
        auto start = Clock::now();
        InternetHandle connection = ConnectTo(server);
        EXPECT_EQ(connection == NoInternetHandle, c.AtLogin) << c.What;
        if (connection != NoInternetHandle) {
            EXPECT_EQ(FtpSetCurrentDirectory(connection, "/x"), c.Error == 0) << c.What;
            InternetCloseHandle(connection);
            Open.clear();
        }
        if (c.Error != 0) {
            EXPECT_EQ(GetLastErrorCode(), c.Error) << c.What;
        }
        EXPECT_LT(MillisecondsSince(start), 5000) << c.What;
    }
}

TEST_F(FtpClientFailureTest, MultiLineErrorReplyIsKeptWhole) {
    const std::string reply = "550-Cannot go there:\r\n  it is not a folder.\r\n550 End.\r\n";
    ScriptedFtpServer server("220 hi\r\n", LoginThen([&](ScriptedSession& s, const std::string&) {
                                 return s.Send(reply);
                             }));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    EXPECT_FALSE(FtpSetCurrentDirectory(connection, "/x"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
    EXPECT_EQ(LastResponse(), reply);
}

TEST_F(FtpClientFailureTest, EndlessReplyLineIsCutOff) {
    ScriptedFtpServer server("220 hi\r\n", LoginThen([](ScriptedSession& s, const std::string&) {
                                 std::string flood(1024 * 1024, 'x');
                                 for (int i = 0; i < 10; ++i)
                                     if (!s.Send(flood)) return false;
                                 return true;
                             }));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    EXPECT_FALSE(FtpSetCurrentDirectory(connection, "/x"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetInvalidServerResponse);
}

TEST_F(FtpClientFailureTest, PassiveReplyNamingAnotherHostIsNotFollowed) {
    // The 227 names 10.9.8.7; the client connects to the control peer (127.0.0.1)
    // at the named port, where the fake server's data listener waits.
    DataListener data;
    ScriptedFtpServer server(
        "220 hi\r\n", LoginThen([&](ScriptedSession& s, const std::string& line) {
            if (line == "PASV") return s.Send(data.PasvReply("10,9,8,7"));
            if (line != "LIST -a") return s.Send("500 ?\r\n");
            s.Send("150 Listing.\r\n");
            int fd = accept(data.Fd, nullptr, nullptr);
            ScriptedSession(fd).Send("-rw-r--r--   1 u g   42 Jan  1  2020 file.txt\r\n");
            close(fd);
            return s.Send("226 Done.\r\n");
        }));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    std::vector<FindData> entries = ListAll(connection);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, "file.txt");
    EXPECT_EQ(entries[0].SizeLow, 42u);
}

TEST_F(FtpClientFailureTest, SecondCallWhileOneRunsFails12110) {
    ScriptedFtpServer server("220 hi\r\n",
                             LoginThen([](ScriptedSession&, const std::string&) { return true; }));
    InternetHandle connection = ConnectTo(server);
    ASSERT_NE(connection, NoInternetHandle);
    std::thread first([&] { FtpSetCurrentDirectory(connection, "/x"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(FtpDeleteFile(connection, "f"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::FtpTransferInProgress);
    InternetCloseHandle(connection);
    first.join();
    Open.clear();
}

TEST_F(FtpClientFailureTest, CloseRacesWithCallsSafely) {
    // Many closes at random points of running calls: no crash, no hang, and every
    // call ends with success or one of the expected errors.
    ScriptedFtpServer server("220 hi\r\n", LoginThen([](ScriptedSession& s, const std::string&) {
                                 return s.Send("250 ok\r\n");
                             }));
    for (int round = 0; round < 20; ++round) {
        InternetHandle connection = ConnectTo(server);
        ASSERT_NE(connection, NoInternetHandle);
        std::thread calls([&] {
            while (FtpSetCurrentDirectory(connection, "/x")) {
            }
            uint32_t error = GetLastErrorCode();
            EXPECT_TRUE(error == ErrorCode::InvalidHandle ||
                        error == ErrorCode::InternetConnectionAborted)
                << error;
        });
        std::this_thread::sleep_for(std::chrono::microseconds(200 * round));
        EXPECT_TRUE(InternetCloseHandle(connection));
        calls.join();
        Open.clear();
    }
}

}  // namespace
