// FTP over TLS end to end, on real servers that require it for the login and for
// every data connection (vsftpd also requires the data connections to resume the
// control connection's session): mirrors up and down in both transfer modes, the
// certificate checked before the login is sent, and what crosses the network.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

std::unique_ptr<RealFtpServer> StartServer(const std::string& name, FtpTls tls) {
    if (name == "vsftpd") return std::make_unique<VsftpdUserServer>(tls);
    if (name == "ProFTPD") return std::make_unique<ProftpdServer>(tls);
    return std::make_unique<PureFtpdServer>(tls);
}

std::string SecureLocation(const char* scheme, uint16_t port, const std::string& folder) {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + folder;
}

int Copies(const RunResult& result) {
    return CountLinesStartingWith(result, "Copying file");
}

// How many commands the server received that begin with `verb`.
int Sent(const RealFtpServer& server, const std::string& verb) {
    int count = 0;
    for (const std::string& command : server.Commands()) count += command.rfind(verb, 0) == 0;
    return count;
}

int Logins(const RealFtpServer& server) {
    return Sent(server, "USER");
}

void MakeSite(const std::string& site) {
    MakeFile(site + "/a.txt", "alpha\n");
    MakeFile(site + "/sub/b.bin", std::string(300000, 'b'));
    MakeFile(site + "/sub/deeper/c.txt", "");
}

// vsftpd with TLS that a login may do without.
class VsftpdOfferingTls : public RealFtpServer {
public:
    VsftpdOfferingTls() {
        CommandLog = "vsftpd.log";
        Home = "/home/" + User;
        Start("vsftpd",
              {"FTPM_HOME=home/" + User,
               "FTPM_EXTRA=force_local_logins_ssl=NO\nforce_local_data_ssl=NO"},
              FtpTls::Explicit);
        HomeFolder = Root + Home;
    }
};

class TlsRuns : public ::testing::Test {
protected:
    RunResult Run(std::vector<std::string> arguments) {
        for (const char* login : {"/S", "/U:user", "/P:secret"}) arguments.push_back(login);
        return RunVelCopy(arguments, Work / "run.log");
    }
    TempFolder Work;
};

class EndToEndFtpTls : public TlsRuns, public ::testing::WithParamInterface<const char*> {};

TEST_P(EndToEndFtpTls, MirrorsUpAndDownActiveAndPassive) {
    auto server = StartServer(GetParam(), FtpTls::Explicit);
    if (!server->Started()) GTEST_SKIP() << server->Problem;
    const std::string site = Work / "site", pin = "/Cert:" + server->Fingerprint();
    MakeSite(site);
    for (const char* mode : {"/Active", "/Passive"}) {
        SCOPED_TRACE(mode);
        const std::string folder = std::string("/") + (mode + 1);
        std::filesystem::create_directories(server->HomeFolder + folder);
        server->GiveToServer(server->HomeFolder + folder);
        const std::string at = SecureLocation("ftpes", server->Port, folder);

        RunResult up = Run({site + "/", at, pin, mode});
        EXPECT_EQ(Copies(up), 3) << up.Console;
        EXPECT_EQ(CountLinesStartingWith(up, "!! "), 0) << up.Console;
        EXPECT_EQ(TreeOf(server->HomeFolder + folder), TreeOf(site));
        EXPECT_EQ(ReadTextFile(server->HomeFolder + folder + "/sub/b.bin").size(), 300000u);
        RunResult upAgain = Run({site + "/", at, pin, mode});
        EXPECT_EQ(Copies(upAgain), 0) << upAgain.Console;

        const std::string back = Work / (std::string("back") + (mode + 1));
        RunResult down = Run({at, back + "/", pin, mode, "/M"});
        EXPECT_EQ(Copies(down), 3) << down.Console;
        EXPECT_EQ(TreeOf(back), TreeOf(site));
        EXPECT_EQ(ReadTextFile(back + "/sub/b.bin"), ReadTextFile(site + "/sub/b.bin"));
        RunResult downAgain = Run({at, back + "/", pin, mode});
        EXPECT_EQ(Copies(downAgain), 0) << downAgain.Console;
        EXPECT_EQ(CountLinesStartingWith(downAgain, "!! "), 0) << downAgain.Console;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, EndToEndFtpTls,
                         ::testing::Values("vsftpd", "ProFTPD", "Pure-FTPd"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

using EndToEndFtpTlsTrust = TlsRuns;

TEST_F(EndToEndFtpTlsTrust, ImplicitTlsWithTheCertificateFromAFile) {
    VsftpdUserServer server(FtpTls::Implicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site";
    MakeSite(site);
    const std::string at = SecureLocation("ftps", server.Port, "");
    const std::string trust = "/Cert:" + server.CertificateFile();
    RunResult up = Run({site + "/", at, trust});
    EXPECT_EQ(Copies(up), 3) << up.Console;
    EXPECT_EQ(TreeOf(server.HomeFolder), TreeOf(site));
    EXPECT_EQ(Copies(Run({site + "/", at, trust})), 0);
}

// A certificate that is not trusted ends the side before the login: the error
// names the certificate's fingerprint, so that the user can pin it, and the
// server never hears the user name.
TEST_F(EndToEndFtpTlsTrust, AnUntrustedCertificateStopsBeforeTheLogin) {
    VsftpdUserServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site";
    MakeSite(site);
    const std::string at = SecureLocation("ftpes", server.Port, "");
    const std::string wrong(64, 'A');
    const struct {
        const char* What;
        std::vector<std::string> Switches;
        const char* Reason;
    } refused[] = {
        {"no pin: a self-signed certificate", {}, "self-signed certificate"},
        {"another fingerprint", {"/Cert:" + wrong}, "is not the one given"},
        // "127.1" reaches 127.0.0.1, but it is not a name the certificate holds.
        {"the name does not match", {"/Cert:" + server.CertificateFile()}, "mismatch"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> arguments = {
            site + "/", c.Reason == std::string("mismatch")
                            ? "ftpes://127.1:" + std::to_string(server.Port) + "/"
                            : at};
        arguments.insert(arguments.end(), c.Switches.begin(), c.Switches.end());
        const int loginsBefore = Logins(server);
        RunResult result = Run(arguments);
        EXPECT_NE(result.Console.find("its certificate is not trusted"), std::string::npos)
            << result.Console;
        EXPECT_NE(result.Console.find(c.Reason), std::string::npos) << result.Console;
        EXPECT_NE(result.Console.find("/Cert:" + server.Fingerprint()), std::string::npos)
            << result.Console;
        EXPECT_EQ(Logins(server), loginsBefore);
        EXPECT_TRUE(TreeOf(server.HomeFolder).empty());
    }
    RunResult pinned = Run({site + "/", at, "/Cert:" + server.Fingerprint()});
    EXPECT_EQ(Copies(pinned), 3) << pinned.Console;
}

// ftpes:// never falls back to a plain login, and a plain location on a server
// that accepts TLS says how to secure it.
TEST_F(EndToEndFtpTlsTrust, TlsIsNeverDroppedAndItsAbsenceIsTold) {
    VsftpdUserServer plain;
    if (!plain.Started()) GTEST_SKIP() << plain.Problem;
    const std::string site = Work / "site";
    MakeSite(site);
    RunResult refused = Run({site + "/", SecureLocation("ftpes", plain.Port, "/")});
    EXPECT_NE(refused.Console.find("refused to secure the connection with TLS"), std::string::npos)
        << refused.Console;
    EXPECT_EQ(Logins(plain), 0);

    VsftpdOfferingTls optional;
    if (!optional.Started()) GTEST_SKIP() << optional.Problem;
    RunResult clear = Run({site + "/", Location(optional.Port, "/")});
    EXPECT_EQ(Copies(clear), 3) << clear.Console;
    EXPECT_NE(clear.Console.find("offers FTP over TLS, but this location is plain FTP"),
              std::string::npos)
        << clear.Console;
    EXPECT_NE(clear.Console.find(
                  "To encrypt them, use ftpes://127.0.0.1:" + std::to_string(optional.Port) + "/"),
              std::string::npos)
        << clear.Console;

    // Further connections (/MT) take what the first one learnt: the server is
    // asked once what it offers and whether it really takes TLS, and told once.
    const int loginsBefore = Logins(optional), probesBefore = Sent(optional, "AUTH TLS"),
              featsBefore = Sent(optional, "FEAT");
    for (const char* name : {"d.txt", "e.txt", "f.txt", "g.txt"})
        MakeFile(Work / ("more/" + std::string(name)), name);
    RunResult parallel = Run({Work / "more/", Location(optional.Port, "/"), "/MT:4"});
    EXPECT_EQ(Copies(parallel), 4) << parallel.Console;
    EXPECT_GE(Logins(optional) - loginsBefore, 2) << parallel.Console;
    EXPECT_EQ(Sent(optional, "AUTH TLS") - probesBefore, 1);
    EXPECT_EQ(Sent(optional, "FEAT") - featsBefore, 1);
    EXPECT_EQ(
        CountLinesStartingWith(parallel, "!! Warning: The server 127.0.0.1 offers FTP over TLS"), 1)
        << parallel.Console;
}

// A TCP proxy in front of a server's control port that keeps every byte the
// client sent; it may cut its first connection after that many reads from the
// client (each a command, once the handshake is over).
class RecordingProxy {
public:
    explicit RecordingProxy(uint16_t serverPort, int cutFirstAfterReads = 0)
        : ServerPort(serverPort), CutFirstAfterReads(cutFirstAfterReads) {
        Listener = ListenOnLoopback(4, Port);
        Worker = std::thread([this] { Serve(); });
    }
    ~RecordingProxy() {
        Stop = true;
        Worker.join();
        CloseSocket(Listener);
    }
    std::vector<std::string> Streams() {
        std::lock_guard<std::mutex> guard(Lock);
        return Sent;
    }
    uint16_t Port = 0;

private:
    void Serve() {
        while (!Stop) {
            pollfd ready{Listener, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) continue;
            int client = accept(Listener, nullptr, nullptr);
            if (client < 0) continue;
            int server = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(ServerPort);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(server, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
                Relay(client, server);
            close(server);
            close(client);
        }
    }
    // One connection at a time: the program's connections come one after another.
    void Relay(int client, int server) {
        size_t stream;
        {
            std::lock_guard<std::mutex> guard(Lock);
            Sent.emplace_back();
            stream = Sent.size() - 1;
        }
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        int reads = 0;
        while (!Stop) {
            if (poll(ends, 2, 100) <= 0) continue;
            for (int side = 0; side < 2; ++side) {
                if (!(ends[side].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                ssize_t got = read(ends[side].fd, buffer, sizeof buffer);
                if (got <= 0) return;
                if (side == 0) {
                    std::lock_guard<std::mutex> guard(Lock);
                    Sent[stream].append(buffer, size_t(got));
                    if (stream == 0 && ++reads == CutFirstAfterReads) return;
                }
                if (write(ends[1 - side].fd, buffer, size_t(got)) != got) return;
            }
        }
    }
    uint16_t ServerPort;
    int CutFirstAfterReads;
    int Listener = -1;
    std::atomic<bool> Stop{false};
    std::thread Worker;
    std::mutex Lock;
    std::vector<std::string> Sent;
};

TEST_F(EndToEndFtpTlsTrust, NothingButAuthTlsCrossesTheNetworkInClear) {
    ProftpdServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site";
    MakeSite(site);
    RecordingProxy proxy(server.Port);
    const std::string at = SecureLocation("ftpes", proxy.Port, "/");
    RunResult up = Run({site + "/", at, "/Cert:" + server.Fingerprint(), "/Passive"});
    EXPECT_EQ(Copies(up), 3) << up.Console;
    const std::vector<std::string> streams = proxy.Streams();
    ASSERT_FALSE(streams.empty());
    for (const std::string& sent : streams) {
        // The first command, then the TLS handshake record.
        ASSERT_EQ(sent.rfind("AUTH TLS\r\n", 0), 0u) << sent.substr(0, 40);
        ASSERT_GT(sent.size(), 11u);
        EXPECT_EQ(sent[10], '\x16');
        for (const char* clear : {"USER", "PASS", "secret", "PBSZ", "PROT", "STOR", "a.txt"})
            EXPECT_EQ(sent.find(clear, 10), std::string::npos) << clear;
    }
}

// A connection cut in the middle of the run is made again, with a new handshake
// whose session the data connections resume, and the run completes.
TEST_F(EndToEndFtpTlsTrust, ACutConnectionIsMadeAgainWithANewHandshake) {
    VsftpdUserServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site";
    for (int i = 0; i < 12; ++i) MakeFile(site + "/f" + std::to_string(i) + ".txt", "file");
    RecordingProxy proxy(server.Port, 40);
    const std::string at = SecureLocation("ftpes", proxy.Port, "/");
    RunResult up = Run({site + "/", at, "/Cert:" + server.Fingerprint()});
    EXPECT_EQ(CountLinesStartingWith(up, "!! Error"), 0) << up.Console;
    EXPECT_GE(CountLinesStartingWith(up, "!! Warning"), 1) << up.Console;
    EXPECT_EQ(TreeOf(server.HomeFolder), TreeOf(site));
    EXPECT_GE(proxy.Streams().size(), 2u);
    EXPECT_EQ(Copies(Run({site + "/", at, "/Cert:" + server.Fingerprint()})), 0);
}

}  // namespace
