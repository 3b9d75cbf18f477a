#include "internet/CertificateTrust.h"

#include <cctype>

namespace platform {

namespace {

constexpr size_t Sha256Digits = 64;

// The hexadecimal digits of text in upper case, colons dropped; false when text
// holds anything else.
bool HexDigitsOnly(const std::string& text, std::string& digits) {
    digits.clear();
    for (char c : text) {
        if (c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        digits += char(std::toupper(static_cast<unsigned char>(c)));
    }
    return true;
}

}  // namespace

bool ReadCertificateTrust(const std::string& value, CertificateTrust& trust,
                          std::string& problem) {
    trust = CertificateTrust();
    if (value.empty()) {
        problem = "/Cert needs a SHA-256 fingerprint or the path of a PEM file";
        return false;
    }
    std::string digits;
    if (HexDigitsOnly(value, digits) && !digits.empty()) {
        if (digits.size() != Sha256Digits) {
            problem = "\"" + value + "\" is not a SHA-256 fingerprint: it has " +
                      std::to_string(digits.size()) + " hexadecimal digits, not 64";
            return false;
        }
        trust.Source = CertificateTrust::Kind::Fingerprint;
        trust.Fingerprint = digits;
        return true;
    }
    trust.Source = CertificateTrust::Kind::PemFile;
    trust.PemFile = value;
    return true;
}

std::string FingerprintText(const unsigned char* digest, size_t size) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        if (i > 0) text += ':';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}

bool FingerprintMatches(const std::string& shown, const std::string& pinned) {
    std::string digits;
    return HexDigitsOnly(shown, digits) && !pinned.empty() && digits == pinned;
}

std::string UntrustedCertificateText(const std::string& reason, std::string subject,
                                     const std::string& fingerprint) {
    for (char& c : subject)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (subject.empty()) subject = "(empty)";
    return reason + "\r\nSubject: " + subject + "\r\nSHA-256 fingerprint: " + fingerprint;
}

std::string PinnedFingerprintRefusal(const CertificateTrust& trust, const std::string& fingerprint) {
    return FingerprintMatches(fingerprint, trust.Fingerprint)
               ? std::string()
               : "its SHA-256 fingerprint is not the one given";
}

}  // namespace platform
