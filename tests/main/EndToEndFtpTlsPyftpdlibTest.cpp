// FTP over TLS end to end on both builds, against pyftpdlib with TLS required
// for the login and every data connection (the server the Windows tests can
// have): mirrors up, their reruns and down in both transfer modes, explicitly
// and implicitly, the certificate pinned or trusted from its PEM file; a
// certificate that is not trusted stops the side before the login; data
// connections resume the control connection's session.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "SystemTestKit.h"
#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

int Copies(const RunResult& result) {
    return CountLinesStartingWith(result, "Copying file");
}

int CountOf(const std::vector<std::string>& commands, const std::string& prefix) {
    int count = 0;
    for (const std::string& command : commands) count += command.rfind(prefix, 0) == 0;
    return count;
}

class EndToEndFtpTlsPyftpdlib : public ::testing::Test {
protected:
    RunResult Run(std::vector<std::string> arguments) {
        for (const char* login : {"/S", "/U:user", "/P:secret"}) arguments.push_back(login);
        return RunVelCopy(arguments, Work / "run.log");
    }
    void MakeSite() {
        MakeFile(Site + "/a.txt", "alpha\n");
        MakeFile(Site + "/sub/b.bin", std::string(300000, 'b'));
        MakeFile(Site + "/sub/deeper/c.txt", "");
    }
    TempFolder Work;
    std::string Site = Work / "site";
};

TEST_F(EndToEndFtpTlsPyftpdlib, MirrorsUpAndDownInBothModesAndBothWays) {
    MakeSite();
    const struct {
        const char* What;
        FtpTls Mode;
        const char* Scheme;
        bool PinnedNotPem;
        const char* Transfers;
    } cases[] = {
        {"explicit, pinned, active", FtpTls::Explicit, "ftpes", true, "/Active"},
        {"explicit, pinned, passive", FtpTls::Explicit, "ftpes", true, "/Passive"},
        {"implicit, PEM file, passive", FtpTls::Implicit, "ftps", false, "/Passive"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TlsPyftpdlibServer server(c.Mode);
        if (!server.Started()) GTEST_SKIP() << server.Problem;
        // The certificate is made for 127.0.0.1 and localhost; a PEM file's
        // certificate is checked against the name as the system's are.
        const std::string at = std::string(c.Scheme) + "://" +
                               (c.PinnedNotPem ? "127.0.0.1" : "localhost") + ":" +
                               std::to_string(server.Port) + "/";
        const std::string trust =
            "/Cert:" + (c.PinnedNotPem ? server.Fingerprint : server.CertificateFile);

        RunResult up = Run({Site + "/", at, trust, c.Transfers});
        EXPECT_EQ(Copies(up), 3) << up.Console;
        EXPECT_EQ(CountLinesStartingWith(up, "!! "), 0) << up.Console;
        EXPECT_EQ(TreeOf(server.Root), TreeOf(Site));
        EXPECT_EQ(ReadTextFile(server.Root + "/sub/b.bin"), ReadTextFile(Site + "/sub/b.bin"));
        RunResult again = Run({Site + "/", at, trust, c.Transfers});
        EXPECT_EQ(Copies(again), 0) << again.Console;
        EXPECT_EQ(CountLinesStartingWith(again, "!! "), 0) << again.Console;

        const std::string back = Work / (std::string("back-") + c.Scheme + (c.Transfers + 1));
        RunResult down = Run({at, back + "/", trust, c.Transfers, "/M"});
        EXPECT_EQ(Copies(down), 3) << down.Console;
        EXPECT_EQ(TreeOf(back), TreeOf(Site));
        EXPECT_EQ(ReadTextFile(back + "/sub/b.bin"), ReadTextFile(Site + "/sub/b.bin"));
        // Nothing went in clear: the server requires TLS for every login and transfer.
        EXPECT_EQ(CountOf(server.Commands(), "DATA-TLS"), CountOf(server.Commands(), "STOR") +
                                                               CountOf(server.Commands(), "RETR") +
                                                               CountOf(server.Commands(), "MLSD") +
                                                               CountOf(server.Commands(), "LIST"));
    }
}

// The side ends before the login, and the message names the certificate's
// fingerprint so that the user can pin it.
TEST_F(EndToEndFtpTlsPyftpdlib, AnUntrustedCertificateStopsBeforeTheLogin) {
    MakeSite();
    TlsPyftpdlibServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string at = "ftpes://127.0.0.1:" + std::to_string(server.Port) + "/";
    const struct {
        const char* What;
        std::vector<std::string> Switches;
        const char* Reason;
    } refused[] = {
        {"another fingerprint", {"/Cert:" + std::string(64, 'A')},
         "its SHA-256 fingerprint is not the one given"},
        {"no pin: a self-signed certificate", {}, "self-signed certificate"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> arguments = {Site + "/", at};
        arguments.insert(arguments.end(), c.Switches.begin(), c.Switches.end());
        RunResult result = Run(arguments);
        EXPECT_NE(result.Console.find("its certificate is not trusted (" + std::string(c.Reason)),
                  std::string::npos)
            << result.Console;
        EXPECT_NE(result.Console.find("Subject: O=VelCopy tests,CN=127.0.0.1"), std::string::npos)
            << result.Console;
        EXPECT_NE(result.Console.find("/Cert:" + server.Fingerprint), std::string::npos)
            << result.Console;
        EXPECT_NE(result.Console.find("Error code: 12045"), std::string::npos) << result.Console;
        EXPECT_EQ(CountOf(server.Commands(), "USER"), 0);
        EXPECT_TRUE(TreeOf(server.Root).empty());
    }
}

// Servers that demand it refuse data connections that do not resume the
// control connection's TLS session.
TEST_F(EndToEndFtpTlsPyftpdlib, DataConnectionsResumeTheControlSession) {
    SKIP_UNDER_WINE("wine's TLS (over GnuTLS) resumes no session: each data connection "
                    "makes a full handshake");
    MakeSite();
    TlsPyftpdlibServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string at = "ftpes://127.0.0.1:" + std::to_string(server.Port) + "/";
    RunResult up = Run({Site + "/", at, "/Cert:" + server.Fingerprint, "/Passive"});
    EXPECT_EQ(Copies(up), 3) << up.Console;
    EXPECT_GE(CountOf(server.Commands(), "DATA-TLS resumed"), 3);
    EXPECT_EQ(CountOf(server.Commands(), "DATA-TLS new"), 0);
}

}  // namespace
