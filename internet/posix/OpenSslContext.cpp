#include "internet/posix/OpenSslContext.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "common/ErrorCodes.h"

namespace platform::ftpclient {

namespace {

bool IsAddressLiteral(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string SubjectText(X509* certificate) {
    BIO* out = BIO_new(BIO_s_mem());
    if (!out) return "(unknown)";  // not "(empty)": the subject could not be read
    X509_NAME_print_ex(out, X509_get_subject_name(certificate), 0,
                       XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    long size = BIO_get_mem_data(out, &data);
    std::string text(data ? data : "", size > 0 ? size_t(size) : 0);
    BIO_free(out);
    return text;
}

std::string Sha256Fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) != 1) return "(unknown)";
    return FingerprintText(digest, size);
}

}  // namespace

std::string UntrustedCertificateAccount(X509* certificate, const std::string& reason) {
    return UntrustedCertificateText(reason, SubjectText(certificate),
                                    Sha256Fingerprint(certificate));
}

void TlsSessionFree::operator()(ssl_session_st* session) const {
    SSL_SESSION_free(session);
}

std::string TakeTlsFailure(const std::string& fallback) {
    unsigned long code = ERR_peek_last_error();
    std::string text;
    if (code != 0) {
        const char* reason = ERR_reason_error_string(code);
        text = reason ? reason : "";
    }
    ERR_clear_error();
    return text.empty() ? fallback : text;
}

OpenSslContext::~OpenSslContext() {
    SSL_CTX_free(Context);
}

uint32_t TlsContext::Make(const CertificateTrust& trust, const std::string& host,
                          std::unique_ptr<TlsContext>& result, std::string& problem) {
    auto made = std::make_unique<OpenSslContext>(trust, host);
    made->Context = SSL_CTX_new(TLS_client_method());
    if (!made->Context) {
        problem = "the TLS library could not be set up: " + TakeTlsFailure("out of memory");
        return ErrorCode::InternetSecurityChannelError;
    }
    SSL_CTX_set_min_proto_version(made->Context, TLS1_2_VERSION);
    // The handshake always completes; CheckCertificate then decides, so that a
    // refusal can say why and name the certificate's fingerprint.
    SSL_CTX_set_verify(made->Context, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_default_verify_paths(made->Context);
    if (trust.Source == CertificateTrust::Kind::PemFile &&
        SSL_CTX_load_verify_locations(made->Context, trust.PemFile.c_str(), nullptr) != 1) {
        problem = "the certificates in " + trust.PemFile +
                  " could not be read: " + TakeTlsFailure("no certificate found");
        return ErrorCode::InternetSecurityChannelError;
    }
    ERR_clear_error();
    result = std::move(made);
    return 0;
}

ssl_st* OpenSslContext::NewConnection(ssl_session_st* resume) const {
    SSL* connection = SSL_new(Context);
    if (!connection) return nullptr;
    if (IsAddressLiteral(Host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(connection), Host.c_str());
    } else {
        SSL_set1_host(connection, Host.c_str());
        SSL_set_tlsext_host_name(connection, Host.c_str());
    }
    if (resume) {
        SSL_SESSION* copy = SSL_SESSION_dup(resume);
        if (copy) {
            SSL_set_session(connection, copy);
            SSL_SESSION_free(copy);
        }
    }
    return connection;
}

uint32_t OpenSslContext::CheckCertificate(ssl_st* connection, std::string& why) const {
    X509* certificate = SSL_get1_peer_certificate(connection);
    if (!certificate) {
        why = "the server showed no certificate";
        return ErrorCode::InternetCertificateNotTrusted;
    }
    const std::string fingerprint = Sha256Fingerprint(certificate);
    std::string reason;
    if (Trust.Source == CertificateTrust::Kind::Fingerprint) {
        reason = PinnedFingerprintRefusal(Trust, fingerprint);
    } else {
        long verified = SSL_get_verify_result(connection);
        if (verified != X509_V_OK) reason = X509_verify_cert_error_string(verified);
    }
    if (!reason.empty()) why = UntrustedCertificateAccount(certificate, reason);
    X509_free(certificate);
    return reason.empty() ? 0 : ErrorCode::InternetCertificateNotTrusted;
}

}  // namespace platform::ftpclient
