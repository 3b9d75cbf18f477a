// How a /Cert value is read, and fingerprints compared in the forms users copy
// them in.

#include "internet/CertificateTrust.h"

#include <gtest/gtest.h>

namespace {

using platform::CertificateTrust;

const std::string Digits = "1DA1609ED1EFBCC51953FE3DF872F49A5DB2C117F0FCC18B27647D11DCAA6566";
const std::string Shown =
    "1D:A1:60:9E:D1:EF:BC:C5:19:53:FE:3D:F8:72:F4:9A:5D:B2:C1:17:F0:FC:C1:8B:27:64:7D:11:DC:AA:"
    "65:66";

TEST(CertificateTrust, ValuesAreFingerprintsFilesOrMistakes) {
    const struct {
        std::string Value;
        bool Accepted;
        CertificateTrust::Kind Kind;
    } cases[] = {
        {Shown, true, CertificateTrust::Kind::Fingerprint},
        {Digits, true, CertificateTrust::Kind::Fingerprint},
        {"1da1609ed1efbcc51953fe3df872f49a5db2c117f0fcc18b27647d11dcaa6566", true,
         CertificateTrust::Kind::Fingerprint},
        {"/etc/ssl/site.pem", true, CertificateTrust::Kind::PemFile},
        {"site.pem", true, CertificateTrust::Kind::PemFile},
        // Hexadecimal digits and colons only, but not 64 digits: a mistyped or
        // SHA-1 fingerprint, never a file name.
        {Shown.substr(0, Shown.size() - 3), false, CertificateTrust::Kind::System},
        {"AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01", false,
         CertificateTrust::Kind::System},
        {Digits + "0", false, CertificateTrust::Kind::System},
        {"", false, CertificateTrust::Kind::System},
    };
    for (const auto& c : cases) {
        CertificateTrust trust;
        std::string problem;
        EXPECT_EQ(platform::ReadCertificateTrust(c.Value, trust, problem), c.Accepted) << c.Value;
        EXPECT_EQ(trust.Source, c.Kind) << c.Value;
        EXPECT_EQ(problem.empty(), c.Accepted) << c.Value;
        if (c.Kind == CertificateTrust::Kind::Fingerprint) {
            EXPECT_EQ(trust.Fingerprint, Digits);
        }
    }
    CertificateTrust trust;
    std::string problem;
    platform::ReadCertificateTrust("AB:CD", trust, problem);
    EXPECT_NE(problem.find("4 hexadecimal digits, not 64"), std::string::npos) << problem;
}

TEST(CertificateTrust, FingerprintsMatchInEitherForm) {
    const unsigned char digest[] = {0x1D, 0xA1, 0x0F};
    EXPECT_EQ(platform::FingerprintText(digest, sizeof digest), "1D:A1:0F");
    EXPECT_TRUE(platform::FingerprintMatches(Shown, Digits));
    EXPECT_FALSE(platform::FingerprintMatches(Shown.substr(0, Shown.size() - 1) + "7", Digits));
    EXPECT_FALSE(platform::FingerprintMatches(Shown, ""));
    EXPECT_FALSE(platform::FingerprintMatches("(unknown)", Digits));
}

}  // namespace

namespace {

// The account of a refused certificate keeps to its three lines, whatever the
// server put into the subject.
TEST(CertificateTrust, AnUntrustedCertificateIsToldInThreeLines) {
    const struct {
        std::string Subject;
        std::string Shown;
    } cases[] = {
        {"CN=ftp.example.com,O=Example", "CN=ftp.example.com,O=Example"},
        {"CN=evil\r\n226 Transfer complete\x7F", "CN=evil??226 Transfer complete?"},
        {std::string("CN=a\0b", 6), "CN=a?b"},
        {"", "(empty)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::UntrustedCertificateText("self-signed certificate", c.Subject, Shown),
                  "self-signed certificate\r\nSubject: " + c.Shown + "\r\nSHA-256 fingerprint: " +
                      Shown);
    }
}

}  // namespace
