#include "ftp/FtpErrors.h"

#include <map>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
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

// The other Internet client codes, each followed by its number.
const std::map<uint32_t, const char*>& NumberedTexts() {
    static const std::map<uint32_t, const char*> texts = {
        {ErrorCode::InternetOutOfHandles, "No more Internet handles could be made"},
        {ErrorCode::InternetInternalError, "Internal error of the FTP client"},
        {ErrorCode::InternetInvalidUrl, "The server address is not valid"},
        {ErrorCode::InternetUnrecognizedScheme, "The address does not name an FTP server"},
        {ErrorCode::InternetProtocolNotFound, "No protocol to reach the server"},
        {ErrorCode::InternetInvalidOption, "The FTP client does not know this option"},
        {ErrorCode::InternetBadOptionLength, "An option value of the wrong size"},
        {ErrorCode::InternetOptionNotSettable, "The option cannot be changed"},
        {ErrorCode::InternetShutdown, "The FTP client is shutting down"},
        {ErrorCode::InternetIncorrectUserName, "The server does not accept the user name"},
        {ErrorCode::InternetIncorrectPassword, "The server does not accept the password"},
        {ErrorCode::InternetLoginFailure, "The server refused the login"},
        {ErrorCode::InternetInvalidOperation, "The FTP client cannot do this here"},
        {ErrorCode::InternetIncorrectHandleType, "Wrong kind of FTP handle for this operation"},
        {ErrorCode::InternetIncorrectHandleState, "The FTP handle is not ready for this operation"},
        {ErrorCode::FtpTransferInProgress, "Another transfer is still running on the connection"},
        {ErrorCode::FtpNoPassiveMode, "The server offers no passive transfers"},
        {ErrorCode::InternetInvalidServerResponse,
         "The server sent a reply the FTP client cannot understand"},
    };
    return texts;
}

std::string InternetCodeText(uint32_t code) {
    auto found = NumberedTexts().find(code);
    if (found != NumberedTexts().end()) return found->second;
    std::string client = platform::InternetErrorText(code);
    return client.empty() ? "FTP client error" : client;
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
