// FTP over TLS as the device reports it: a connection that could not be
// secured, and a plain connection to a server that offers TLS.

#include "common/ErrorCodes.h"
#include "common/StringUtils.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpStorage.h"
#include "internet/TcpConversation.h"
#include "internet/protocol/FtpReply.h"

namespace {

// The lines of a text from the client, without their line ends.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

const char FingerprintLabel[] = "SHA-256 fingerprint: ";

// How long the check whether a server accepts TLS waits for each reply.
constexpr uint32_t TlsCheckWaitMs = 3000;

// The next whole reply of the conversation, within waitMs; code 0 when none came.
ftpprotocol::FtpReply NextReply(platform::TcpConversation& tcp, ftpprotocol::FtpReplyReader& reader,
                                uint32_t waitMs) {
    ftpprotocol::FtpReply reply;
    for (;;) {
        if (reader.Next(reply) != ftpprotocol::FtpReplyReader::Status::NeedMore) return reply;
        std::string piece;
        if (tcp.Read(piece, 4096, waitMs) != platform::TcpConversation::ReadResult::Data)
            return ftpprotocol::FtpReply();
        reader.Feed(piece.data(), piece.size());
    }
}

}  // namespace

void FtpStorageDevice::ReportTlsFailure() {
    if (LastError != ErrorCode::InternetCertificateNotTrusted) {
        const std::string what = LastError == ErrorCode::FtpTlsRefused
                                     ? "refused to secure the connection with TLS"
                                     : "could not be reached over TLS";
        Fail(ConnectionReport(
            "Failed to connect to server " + Host + ": the server " + what +
                ". The login was not sent.",
            AttemptResponse));
        return;
    }
    // The client's account: the reason, then the certificate's subject and its
    // fingerprint, a line each.
    const std::vector<std::string> lines = LinesOf(AttemptResponse);
    const std::string reason = lines.empty() ? "no reason given" : lines[0];
    VelMessageText report("Failed to connect to server " + Host +
                          ": its certificate is not trusted (" + reason +
                          "). The login was not sent.");
    std::string fingerprint;
    for (size_t i = 1; i < lines.size(); ++i) {
        report.Add(lines[i]);
        if (StartsWith(lines[i], FingerprintLabel, false))
            fingerprint = lines[i].substr(sizeof FingerprintLabel - 1);
    }
    report.Add("Error code: " + std::to_string(LastError));
    if (!fingerprint.empty())
        report.Add("If this is the server's own certificate (ask its administrator), trust it with "
                   "/Cert:" +
                   fingerprint);
    Fail(report);
}

bool FtpStorageDevice::ServerAcceptsTls() {
    // Some servers list AUTH TLS although they cannot do it: ask on a connection of
    // its own, which ends before any handshake or login.
    platform::TcpConversation tcp;
    if (!tcp.Open(Host, Port, TlsCheckWaitMs)) return false;
    ftpprotocol::FtpReplyReader reader;
    bool accepts = false;
    ftpprotocol::FtpReply greeting = NextReply(tcp, reader, TlsCheckWaitMs);
    if (greeting.Code / 100 == 2 && tcp.Send("AUTH TLS\r\n"))
        accepts = NextReply(tcp, reader, TlsCheckWaitMs).Code == 234;
    tcp.Close();
    return accepts;
}

void FtpStorageDevice::WarnOfferedTls() {
    Warn(VelMessageText("The server " + Host +
                        " offers FTP over TLS, but this location is plain FTP: the login and "
                        "the files cross the network unencrypted.")
             .Add("To encrypt them, use " + SecuredLocation));
}
