// FTP over TLS through the calls of internet/InternetClient.h on both builds
// (on Windows the own client beside the Windows library): TLS and plain
// connections of one session side by side, each call and each last response
// going to the connection's own client, the session's options and callback
// reaching TLS connections, and handshakes that fail.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "platform/LastError.h"
#include "tests/support/FtpServers.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace platform;

InternetSecuritySettings Pinned(InternetSecurity mode, const std::string& fingerprint) {
    InternetSecuritySettings security;
    security.Mode = mode;
    std::string problem;
    EXPECT_TRUE(ReadCertificateTrust(fingerprint, security.Trust, problem)) << problem;
    return security;
}

std::string LastResponse() {
    uint32_t error = 0;
    std::string response;
    InternetGetLastResponseInfo(error, response);
    return response;
}

TEST(TlsConnections, TlsAndPlainConnectionsOfOneSessionSideBySide) {
    TlsPyftpdlibServer secure(FtpTls::Explicit);
    if (!secure.Started()) GTEST_SKIP() << secure.Problem;
    PyftpdlibServer plain;
    if (!plain.Started()) GTEST_SKIP() << plain.Problem;
    ASSERT_TRUE(InternetOffersTls());
    InternetHandle session = InternetOpen("VelCopy");
    ASSERT_NE(session, NoInternetHandle);
    std::atomic<int> reports{0};
    ASSERT_TRUE(InternetSetStatusCallback(
        session, [&](InternetHandle, uintptr_t, uint32_t, const void*, uint32_t) { ++reports; }));
    ASSERT_TRUE(InternetSetOption(session, InternetOption::ReceiveTimeout, 45000));

    InternetHandle tls =
        InternetConnect(session, "127.0.0.1", secure.Port, "user", "secret", InternetFlagPassive, 7,
                        Pinned(InternetSecurity::ExplicitTls, secure.Fingerprint));
    ASSERT_NE(tls, NoInternetHandle) << GetLastErrorCode() << " " << LastResponse();
    EXPECT_GT(reports.load(), 0);  // the session's callback reports the TLS connection
    uint32_t limit = 0;
    EXPECT_TRUE(InternetQueryOption(tls, InternetOption::ReceiveTimeout, limit));
    EXPECT_EQ(limit, 45000u);
    InternetHandle clear =
        InternetConnect(session, "127.0.0.1", plain.Port, "user", "secret", InternetFlagPassive, 8);
    ASSERT_NE(clear, NoInternetHandle) << GetLastErrorCode();

    // Calls alternate between the two; each reads its own connection's reply.
    TempFolder local;
    WriteTextFile(local / "up.txt", "over TLS\n");
    EXPECT_TRUE(FtpPutFile(tls, local / "up.txt", "up.txt", FtpTransferTypeBinary, 0));
    EXPECT_TRUE(FtpCreateDirectory(clear, "plain-only"));
    EXPECT_NE(LastResponse().find("257"), std::string::npos) << LastResponse();
    uint64_t size = 0;
    EXPECT_TRUE(FtpGetFileSize(tls, "up.txt", size));
    EXPECT_EQ(size, 9u);
    EXPECT_NE(LastResponse().find("213"), std::string::npos) << LastResponse();
    FindData entry;
    InternetHandle find = FtpFindFirstFile(tls, "", entry, InternetFlagReload, 0);
    ASSERT_NE(find, NoInternetHandle) << GetLastErrorCode();
    EXPECT_EQ(entry.Name, "up.txt");
    EXPECT_FALSE(InternetFindNextFile(find, entry));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
    EXPECT_TRUE(InternetCloseHandle(find));
    EXPECT_TRUE(FtpGetFile(tls, "up.txt", local / "down.txt", false, FtpTransferTypeBinary, 0));
    EXPECT_EQ(ReadTextFile(local / "down.txt"), "over TLS\n");
    EXPECT_TRUE(std::filesystem::exists(secure.Root + "/up.txt"));
    EXPECT_TRUE(std::filesystem::is_directory(plain.Root + "/plain-only"));
    EXPECT_FALSE(std::filesystem::exists(plain.Root + "/up.txt"));

    EXPECT_TRUE(InternetCloseHandle(tls));
    EXPECT_FALSE(FtpSetCurrentDirectory(tls, "/"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InvalidHandle);
    EXPECT_FALSE(InternetCloseHandle(tls));
    EXPECT_TRUE(FtpSetCurrentDirectory(clear, "plain-only"));
    EXPECT_TRUE(InternetCloseHandle(clear));
    EXPECT_TRUE(InternetSetStatusCallback(session, {}));
    EXPECT_TRUE(InternetCloseHandle(session));
}

// What the certificate is trusted for, and what a refusal says: the same on
// both builds, whichever TLS library checks it.
TEST(TlsConnections, TrustDecidesBeforeTheLogin) {
    TlsPyftpdlibServer server(FtpTls::Implicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    TempFolder local;
    WriteTextFile(local / "none.pem", "no certificate here\n");
    const struct {
        const char* What;
        std::string Host;
        std::string Cert;  // a /Cert value, or empty for the system's trust
        uint32_t Error;
        std::string Said;  // in the last response
    } cases[] = {
        {"PEM file, host name", "localhost", server.CertificateFile, 0, ""},
        {"PEM file, address the certificate names", "127.0.0.1", server.CertificateFile, 0, ""},
        {"PEM file, name the certificate lacks", "127.1", server.CertificateFile,
         ErrorCode::InternetCertificateNotTrusted, "hostname mismatch"},
        {"the system's trust", "127.0.0.1", "", ErrorCode::InternetCertificateNotTrusted,
         "self-signed certificate\r\nSubject: O=VelCopy tests,CN=127.0.0.1\r\n"
         "SHA-256 fingerprint: " + server.Fingerprint},
        {"another fingerprint", "127.0.0.1", std::string(64, 'A'),
         ErrorCode::InternetCertificateNotTrusted, "its SHA-256 fingerprint is not the one given"},
        {"a PEM file without a certificate", "127.0.0.1", local / "none.pem",
         ErrorCode::InternetSecurityChannelError, "could not be read: no certificate or crl found"},
    };
    InternetHandle session = InternetOpen("VelCopy");
    ASSERT_NE(session, NoInternetHandle);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        auto logins = [&] {
            int count = 0;
            for (const std::string& line : server.Commands()) count += line.rfind("USER", 0) == 0;
            return count;
        };
        const int loginsBefore = logins();
        InternetSecuritySettings security;
        security.Mode = InternetSecurity::ImplicitTls;
        std::string problem;
        if (!c.Cert.empty()) {
            ASSERT_TRUE(ReadCertificateTrust(c.Cert, security.Trust, problem));
        }
        InternetHandle connection = InternetConnect(session, c.Host, server.Port, "user",
                                                    "secret", InternetFlagPassive, 0, security);
        if (c.Error == 0) {
            EXPECT_NE(connection, NoInternetHandle) << GetLastErrorCode() << " " << LastResponse();
            InternetCloseHandle(connection);
            continue;
        }
        EXPECT_EQ(connection, NoInternetHandle);
        EXPECT_EQ(GetLastErrorCode(), c.Error);
        EXPECT_NE(LastResponse().find(c.Said), std::string::npos) << LastResponse();
        EXPECT_EQ(logins(), loginsBefore);
    }
    EXPECT_TRUE(InternetCloseHandle(session));
}

// A TLS connection is the own client's on both builds: closing its handle from
// another thread ends a call blocked on a stalled reply at once.
TEST(TlsConnections, ClosingTheHandleEndsABlockedCall) {
    TlsPyftpdlibServer server(FtpTls::Explicit);
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    InternetHandle session = InternetOpen("VelCopy");
    ASSERT_NE(session, NoInternetHandle);
    InternetHandle tls =
        InternetConnect(session, "127.0.0.1", server.Port, "user", "secret", InternetFlagPassive, 0,
                        Pinned(InternetSecurity::ExplicitTls, server.Fingerprint));
    ASSERT_NE(tls, NoInternetHandle) << GetLastErrorCode();
    const auto start = std::chrono::steady_clock::now();
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        InternetCloseHandle(tls);
    });
    EXPECT_FALSE(FtpCommand(tls, "XSTL", 0));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetConnectionAborted);
    const auto waited = std::chrono::steady_clock::now() - start;
    closer.join();
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_TRUE(InternetCloseHandle(session));
}

// A server that does not speak TLS where TLS is due, or never answers the
// handshake: the attempt fails with the TLS error or within the session's
// receive time limit, and no login is sent.
TEST(TlsConnections, HandshakesThatFail) {
    std::atomic<int> logins{0};
    ScriptedFtpServer greetsInClear("220 plain only\r\n", [&](ScriptedSession&, const std::string& line) {
        logins += line.rfind("USER", 0) == 0;
        return true;
    });
    ScriptedFtpServer silent(ScriptedFtpServer::Greeter([](ScriptedSession&) { return true; }),
                             [&](ScriptedSession&, const std::string& line) {
                                 logins += line.rfind("USER", 0) == 0;
                                 return true;
                             });
    InternetHandle session = InternetOpen("VelCopy");
    ASSERT_NE(session, NoInternetHandle);
    ASSERT_TRUE(InternetSetOption(session, InternetOption::ReceiveTimeout, 700));
    const struct {
        const char* What;
        uint16_t Port;
        uint32_t Error;
    } cases[] = {
        {"a plain greeting where the handshake is due", greetsInClear.Port(),
         ErrorCode::InternetSecurityChannelError},
        {"no answer to the handshake", silent.Port(), ErrorCode::InternetTimeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        InternetHandle connection =
            InternetConnect(session, "127.0.0.1", c.Port, "user", "secret", InternetFlagPassive, 0,
                            Pinned(InternetSecurity::ImplicitTls, std::string(64, 'A')));
        EXPECT_EQ(connection, NoInternetHandle);
        EXPECT_EQ(GetLastErrorCode(), c.Error);
    }
    EXPECT_EQ(logins.load(), 0);
    EXPECT_TRUE(InternetCloseHandle(session));
}

}  // namespace
