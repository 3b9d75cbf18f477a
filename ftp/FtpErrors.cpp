#include "ftp/FtpErrors.h"

#include <map>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "internet/InternetErrorTexts.h"
#include "platform/ErrorText.h"

namespace {

// Texts that stand alone, as users of the program know them from its messages.
const std::map<uint32_t, const char*>& PlainTexts() {
    static const std::map<uint32_t, const char*> texts = {
        {ErrorCode::InternetTimeout, "Timed out"},
        {ErrorCode::InternetNameNotResolved,
         "Internet name not resolved (ERROR_INTERNET_NAME_NOT_RESOLVED)"},
        {ErrorCode::InternetOperationCancelled, "Operation cancelled"},
        {ErrorCode::InternetCannotConnect, "Cannot connect to internet"},
        {ErrorCode::InternetConnectionAborted,
         "Internet connection aborted (possibly forced timeout)"},
        {ErrorCode::InternetConnectionReset,
         "Connection reset - possibly line dropped (ERROR_INTERNET_CONNECTION_RESET)"},
        {ErrorCode::FtpDropped,
         "The FTP operation was not completed because the session was aborted "
         "(ERROR_FTP_DROPPED)"},
        {ErrorCode::InternetDisconnected, "Internet disconnected (possibly working offline)"},
    };
    return texts;
}

// The other Internet client codes, followed by their number: the client's own
// description first, so that a message reads the same on every build, then the
// system's (Windows), then a general one.
std::string InternetCodeText(uint32_t code) {
    std::string text = platform::OwnInternetErrorText(code);
    if (text.empty()) text = platform::InternetErrorText(code);
    return text.empty() ? "FTP client error" : text;
}

}  // namespace

bool IsRecoverableCode(uint32_t code) {
    switch (code) {
        case ErrorCode::InvalidHandle:
        case ErrorCode::InternetTimeout:
        case ErrorCode::InternetExtendedError:
        case ErrorCode::InternetOperationCancelled:
        case ErrorCode::InternetConnectionAborted:
        case ErrorCode::InternetConnectionReset:
        case ErrorCode::FtpDropped:
        case ErrorCode::InternetSecurityChannelError:
            return true;
        default:
            return false;
    }
}

bool IsTlsFailureCode(uint32_t code) {
    return code == ErrorCode::FtpTlsRefused || code == ErrorCode::InternetCertificateNotTrusted ||
           code == ErrorCode::InternetSecurityChannelError;
}

bool IsLocalFileError(uint32_t code) {
    return code != 0 && code < 12000 && !IsRecoverableCode(code);
}

std::string DescribeFtpError(uint32_t code, const std::string& lastResponse) {
    if (code == ErrorCode::InternetExtendedError) return "Internet extended error: " + lastResponse;
    auto plain = PlainTexts().find(code);
    if (plain != PlainTexts().end()) return plain->second;
    const std::string number = " (#" + std::to_string(code) + ")";
    if (code >= 12000 && code <= 13000) return InternetCodeText(code) + number;
    return platform::SystemErrorText(code) + number;
}

VelMessageText FourLineReport(const std::string& firstLine, const std::string& codeLine,
                              const std::string& description, const std::string& response) {
    VelMessageText report(firstLine);
    report.Add(codeLine).Add("Description: " + description).AddReply("Last response: ", response);
    return report;
}
