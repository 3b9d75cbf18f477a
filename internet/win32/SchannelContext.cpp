#include "internet/win32/SchannelContext.h"

#include <bcrypt.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/ErrorCodes.h"

namespace platform::ftpclient {

namespace {

// wininet.h's flag of the SSL policy that takes an unknown root for trusted.
constexpr DWORD IgnoreUnknownAuthority = 0x00000100;

// wininet.h's flag of the SSL policy that leaves the name to the caller.
constexpr DWORD IgnoreNameMismatch = 0x00001000;

// The bytes of an address literal (4 or 16), or none for a host name.
std::string AddressBytes(const std::string& host) {
    in6_addr address6{};
    in_addr address4{};
    if (::inet_pton(AF_INET, host.c_str(), &address4) == 1)
        return std::string(reinterpret_cast<const char*>(&address4), 4);
    if (::inet_pton(AF_INET6, host.c_str(), &address6) == 1)
        return std::string(reinterpret_cast<const char*>(&address6), 16);
    return std::string();
}

bool IsAddressLiteral(const std::string& host) {
    return !AddressBytes(host).empty();
}

// Whether the certificate names the address among its alternative names, as
// the POSIX build checks an address (the system's policy matches host names).
bool NamesAddress(PCCERT_CONTEXT certificate, const std::string& address) {
    PCERT_EXTENSION extension =
        ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                            certificate->pCertInfo->rgExtension);
    if (!extension) return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                               extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                               &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                entry.IPAddress.cbData == address.size() &&
                std::memcmp(entry.IPAddress.pbData, address.data(), address.size()) == 0;
    }
    ::LocalFree(names);
    return found;
}

std::wstring Widened(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string Sha256Fingerprint(PCCERT_CONTEXT certificate) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
        return "(unknown)";
    unsigned char digest[32] = {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = ::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
                ::BCryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0) ==
                    0 &&
                ::BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash) ::BCryptDestroyHash(hash);
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return done ? FingerprintText(digest, sizeof digest) : "(unknown)";
}

// The subject as the POSIX build shows it: most significant part last
// ("CN=host,O=Maker").
std::string SubjectText(PCCERT_CONTEXT certificate) {
    const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG |
                       CERT_NAME_STR_NO_QUOTING_FLAG | CERT_NAME_STR_COMMA_FLAG;
    CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
    DWORD length = ::CertNameToStrW(X509_ASN_ENCODING, subject, type, nullptr, 0);
    if (length <= 1) return std::string();
    std::wstring wide(length, L'\0');
    ::CertNameToStrW(X509_ASN_ENCODING, subject, type, wide.data(), length);
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), size, nullptr,
                              nullptr);
    // The separators without their spaces, as the POSIX build writes them.
    std::string compact;
    for (size_t i = 0; i < text.size(); ++i) {
        compact += text[i];
        if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ' ') ++i;
    }
    return compact;
}

bool SelfSigned(PCCERT_CONTEXT certificate) {
    return ::CertCompareCertificateName(X509_ASN_ENCODING, &certificate->pCertInfo->Issuer,
                                        &certificate->pCertInfo->Subject) != FALSE;
}

// A chain policy's verdict in the words the POSIX build uses for it.
std::string ChainProblemText(DWORD error, PCCERT_CHAIN_CONTEXT chain, PCCERT_CONTEXT certificate,
                             bool addressLiteral) {
    switch (error) {
        case DWORD(CERT_E_UNTRUSTEDROOT):
        case DWORD(CERT_E_UNTRUSTEDCA):
            if (SelfSigned(certificate)) return "self-signed certificate";
            if (chain->cChain > 0 && chain->rgpChain[0]->cElement > 1 &&
                SelfSigned(chain->rgpChain[0]
                               ->rgpElement[chain->rgpChain[0]->cElement - 1]
                               ->pCertContext))
                return "self-signed certificate in certificate chain";
            return "unable to get local issuer certificate";
        case DWORD(CERT_E_CHAINING):
            return "unable to get local issuer certificate";
        case DWORD(CERT_E_EXPIRED):
            return ::CertVerifyTimeValidity(nullptr, certificate->pCertInfo) < 0
                       ? "certificate is not yet valid"
                       : "certificate has expired";
        case DWORD(CERT_E_CN_NO_MATCH):
            return addressLiteral ? "IP address mismatch" : "hostname mismatch";
        case DWORD(CERT_E_REVOKED):
            return "certificate revoked";
        case DWORD(CERT_E_WRONG_USAGE):
            return "unsupported certificate purpose";
        case DWORD(TRUST_E_CERT_SIGNATURE):
            return "certificate signature failure";
        default: {
            char text[80];
            std::snprintf(text, sizeof text, "the certificate chain is not trusted (0x%08lX)",
                          static_cast<unsigned long>(error));
            return text;
        }
    }
}

// The certificates of a PEM file, into store; how many were read.
int ReadPemFile(const std::string& path, HCERTSTORE store, bool& opened) {
    opened = false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    opened = true;
    std::string text;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        text.append(chunk, got);
        if (text.size() > 16 * 1024 * 1024) break;  // no certificate file is this large
    }
    std::fclose(file);
    static const std::string begin = "-----BEGIN CERTIFICATE-----";
    static const std::string end = "-----END CERTIFICATE-----";
    int count = 0;
    for (size_t at = text.find(begin); at != std::string::npos; at = text.find(begin, at)) {
        const size_t stop = text.find(end, at);
        if (stop == std::string::npos) break;
        const std::string block = text.substr(at, stop + end.size() - at);
        at = stop + end.size();
        DWORD size = 0;
        if (!::CryptStringToBinaryA(block.c_str(), DWORD(block.size()), CRYPT_STRING_BASE64HEADER,
                                    nullptr, &size, nullptr, nullptr) ||
            size == 0)
            continue;
        std::vector<BYTE> der(size);
        if (!::CryptStringToBinaryA(block.c_str(), DWORD(block.size()), CRYPT_STRING_BASE64HEADER,
                                    der.data(), &size, nullptr, nullptr))
            continue;
        if (::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                               der.data(), size, CERT_STORE_ADD_ALWAYS, nullptr))
            ++count;
    }
    return count;
}

}  // namespace

std::string SecurityStatusText(SECURITY_STATUS status) {
    const char* name = nullptr;
    switch (status) {
        case SEC_E_ALGORITHM_MISMATCH: name = "no protocol or cipher in common"; break;
        case SEC_E_ILLEGAL_MESSAGE: name = "the server sent a message that is not TLS"; break;
        case SEC_E_INVALID_TOKEN: name = "the server's answer is not TLS"; break;
        case SEC_E_DECRYPT_FAILURE: name = "a TLS record could not be decrypted"; break;
        case SEC_E_MESSAGE_ALTERED: name = "a TLS record was altered"; break;
        case SEC_E_INTERNAL_ERROR: name = "internal error of the system's TLS"; break;
        case SEC_E_UNSUPPORTED_FUNCTION: name = "unsupported protocol"; break;
        default: break;
    }
    char code[32];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return name ? std::string(name) + " (" + code + ")" : std::string("error ") + code;
}

uint32_t TlsContext::Make(const CertificateTrust& trust, const std::string& host,
                          std::unique_ptr<TlsContext>& result, std::string& problem) {
    auto made = std::make_unique<SchannelContext>(trust, host);
    if (uint32_t error = made->Set(problem)) return error;
    result = std::move(made);
    return 0;
}

SchannelContext::SchannelContext(const CertificateTrust& trust, const std::string& host)
    : TlsContext(trust, host), TargetName(Widened(host)) {}

SchannelContext::~SchannelContext() {
    if (HasCredentials) ::FreeCredentialsHandle(&Credentials);
    if (PemRoots) ::CertCloseStore(PemRoots, 0);
}

uint32_t SchannelContext::Set(std::string& problem) {
    if (Trust.Source == CertificateTrust::Kind::PemFile) {
        PemRoots = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        bool opened = false;
        if (!PemRoots || ReadPemFile(Trust.PemFile, PemRoots, opened) == 0) {
            problem = "the certificates in " + Trust.PemFile + " could not be read: " +
                      (opened ? "no certificate or crl found" : "the file cannot be opened");
            return ErrorCode::InternetSecurityChannelError;
        }
    }
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is judged after the handshake (CheckCertificate), so that a
    // refusal can say why and name the certificate's fingerprint.
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS |
                       SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry{};
    SECURITY_STATUS status = ::AcquireCredentialsHandleW(
        nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings,
        nullptr, nullptr, &Credentials, &expiry);
    if (status != SEC_E_OK) {
        problem = "the TLS library could not be set up: " + SecurityStatusText(status);
        return ErrorCode::InternetSecurityChannelError;
    }
    HasCredentials = true;
    return 0;
}

uint32_t SchannelContext::CheckCertificate(PCCERT_CONTEXT certificate, std::string& why) const {
    const std::string fingerprint = Sha256Fingerprint(certificate);
    std::string reason;
    if (Trust.Source == CertificateTrust::Kind::Fingerprint) {
        reason = PinnedFingerprintRefusal(Trust, fingerprint);
    } else {
        // The certificates the server sent, and those of the PEM file, may make
        // the chain.
        HCERTSTORE extra = certificate->hCertStore;
        HCERTSTORE both = nullptr;
        if (PemRoots) {
            both = ::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
            if (both) {
                ::CertAddStoreToCollection(both, certificate->hCertStore, 0, 0);
                ::CertAddStoreToCollection(both, PemRoots, 0, 0);
                extra = both;
            }
        }
        LPSTR serverUse = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
        CERT_CHAIN_PARA chainPara{};
        chainPara.cbSize = sizeof chainPara;
        chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
        chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
        chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverUse;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        if (!::CertGetCertificateChain(nullptr, certificate, nullptr, extra, &chainPara, 0, nullptr,
                                       &chain)) {
            reason = "its chain could not be built";
        } else {
            SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
            ssl.cbSize = sizeof ssl;
            ssl.dwAuthType = AUTHTYPE_SERVER;
            std::wstring name = TargetName;
            ssl.pwszServerName = name.data();
            CERT_CHAIN_POLICY_PARA policy{};
            policy.cbSize = sizeof policy;
            policy.pvExtraPolicyPara = &ssl;
            const std::string address = AddressBytes(Host);
            if (!address.empty()) ssl.fdwChecks |= IgnoreNameMismatch;
            // A root of the PEM file is trusted as the system's roots are.
            if (PemRoots && chain->cChain > 0 &&
                (chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0) {
                const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
                PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
                PCCERT_CONTEXT known = ::CertFindCertificateInStore(
                    PemRoots, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_EXISTING, root,
                    nullptr);
                if (known) {
                    ::CertFreeCertificateContext(known);
                    ssl.fdwChecks |= IgnoreUnknownAuthority;
                    policy.dwFlags |= CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
                }
            }
            CERT_CHAIN_POLICY_STATUS status{};
            status.cbSize = sizeof status;
            if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
                reason = "its chain could not be checked";
            else if (status.dwError != 0)
                reason = ChainProblemText(status.dwError, chain, certificate, IsAddressLiteral(Host));
            else if (!address.empty() && !NamesAddress(certificate, address))
                reason = "IP address mismatch";
            ::CertFreeCertificateChain(chain);
        }
        if (both) ::CertCloseStore(both, 0);
    }
    if (reason.empty()) return 0;
    why = UntrustedCertificateText(reason, SubjectText(certificate), fingerprint);
    return ErrorCode::InternetCertificateNotTrusted;
}

}  // namespace platform::ftpclient
