#pragma once
// What a TLS connection trusts in the server's certificate, as the user gives it
// with /Cert: nothing given, the system's trusted certificates (with the host
// name checked); a SHA-256 fingerprint, that certificate and no other; a PEM
// file, its certificates as trusted roots beside the system's. Pure functions.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct CertificateTrust {
    enum class Kind { System, Fingerprint, PemFile };
    Kind Source = Kind::System;
    std::string Fingerprint;  // 64 upper-case hexadecimal digits, no colons
    std::string PemFile;
};

// Reads a /Cert value: 64 hexadecimal digits (in any case, colons anywhere
// between them) are a fingerprint; any other value is the path of a PEM file,
// except one that holds hexadecimal digits and colons only, which is a mistyped
// fingerprint. false with problem set for an empty value or a mistyped
// fingerprint.
bool ReadCertificateTrust(const std::string& value, CertificateTrust& trust, std::string& problem);

// A digest in the form the user pins and the error shows: "AA:BB:...".
std::string FingerprintText(const unsigned char* digest, size_t size);

// Whether a fingerprint in either form (with or without colons, any case) names
// pinned, a fingerprint of ReadCertificateTrust.
bool FingerprintMatches(const std::string& shown, const std::string& pinned);

// Where trust pins a fingerprint: the reason a certificate with this one is
// refused, or empty when it is the one pinned. A pinned certificate is trusted
// for what it is, whoever signed it.
std::string PinnedFingerprintRefusal(const CertificateTrust& trust, const std::string& fingerprint);

// A certificate that is not trusted, as the user is told of it: three lines (CR
// LF between them), the reason, "Subject: ..." and "SHA-256 fingerprint: AA:...".
// The subject is the server's to choose: control characters in it are shown as
// "?", so that it cannot make lines of its own; an empty one is "(empty)".
std::string UntrustedCertificateText(const std::string& reason, std::string subject,
                                     const std::string& fingerprint);

}  // namespace platform
