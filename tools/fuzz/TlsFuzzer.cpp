// libFuzzer target: what FTP over TLS takes from outside. The first input byte
// chooses the path, the rest is its input:
//   0: a server's certificate (DER), as the error about an untrusted one shows
//      it: three lines whatever the subject holds, the fingerprint in AA:BB form;
//   1: a /Cert value: a fingerprint read from it is 64 hexadecimal digits that
//      match their own AA:BB form;
//   2: a FEAT reply, whose AUTH line decides the warning on plain FTP.

#include <openssl/x509.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ftp/ServerFeatures.h"
#include "internet/CertificateTrust.h"
#include "internet/posix/OpenSslContext.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckCertificateAccount(const uint8_t* data, size_t size) {
    const unsigned char* cursor = data;
    X509* certificate = d2i_X509(nullptr, &cursor, long(size));
    if (!certificate) return;
    const std::string account =
        platform::ftpclient::UntrustedCertificateAccount(certificate, "reason");
    X509_free(certificate);
    size_t lineEnds = 0;
    for (size_t i = 0; i < account.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(account[i]);
        if (c == '\r') {
            Require(i + 1 < account.size() && account[i + 1] == '\n');
            ++lineEnds;
            ++i;
            continue;
        }
        Require(c >= 0x20 && c != 0x7F);
    }
    Require(lineEnds == 2);
    const std::string label = "\r\nSHA-256 fingerprint: ";
    const size_t at = account.rfind(label);
    Require(at != std::string::npos);
    const std::string fingerprint = account.substr(at + label.size());
    Require(fingerprint.size() == 95);
    platform::CertificateTrust trust;
    std::string problem;
    Require(platform::ReadCertificateTrust(fingerprint, trust, problem));
    Require(platform::FingerprintMatches(fingerprint, trust.Fingerprint));
}

void CheckTrustValue(const std::string& value) {
    platform::CertificateTrust trust;
    std::string problem;
    const bool read = platform::ReadCertificateTrust(value, trust, problem);
    Require(read == problem.empty());
    if (!read) return;
    if (trust.Source == platform::CertificateTrust::Kind::Fingerprint) {
        Require(trust.Fingerprint.size() == 64);
        std::string bytes;
        for (size_t i = 0; i < 64; i += 2)
            bytes += char(std::stoi(trust.Fingerprint.substr(i, 2), nullptr, 16));
        const std::string shown = platform::FingerprintText(
            reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        Require(platform::FingerprintMatches(shown, trust.Fingerprint));
    } else {
        Require(trust.PemFile == value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0:
            CheckCertificateAccount(data + 1, size - 1);
            break;
        case 1:
            CheckTrustValue(rest);
            break;
        default: {
            const ServerFeatures features = ReadFeatReply(rest);
            Require(!features.OffersTls || features.Listed);
            break;
        }
    }
    return 0;
}
