#include <map>

#include "common/ErrorCodes.h"
#include "internet/InternetErrorTexts.h"

namespace platform {

std::string OwnInternetErrorText(uint32_t code) {
    static const std::map<uint32_t, const char*> texts = {
        {ErrorCode::InternetOutOfHandles, "No more handles could be generated at this time"},
        {ErrorCode::InternetTimeout, "The operation timed out"},
        {ErrorCode::InternetExtendedError, "The server answered with an error reply"},
        {ErrorCode::InternetInternalError, "An internal error occurred in the Internet client"},
        {ErrorCode::InternetInvalidUrl, "The URL is invalid"},
        {ErrorCode::InternetUnrecognizedScheme, "The URL scheme is not supported"},
        {ErrorCode::InternetNameNotResolved, "The server name could not be resolved"},
        {ErrorCode::InternetProtocolNotFound, "The requested protocol could not be found"},
        {ErrorCode::InternetInvalidOption, "The option is not valid"},
        {ErrorCode::InternetBadOptionLength, "The length of the option value is incorrect"},
        {ErrorCode::InternetOptionNotSettable, "The option cannot be set"},
        {ErrorCode::InternetShutdown, "The Internet client is being shut down"},
        {ErrorCode::InternetIncorrectUserName, "The server refused the user name"},
        {ErrorCode::InternetIncorrectPassword, "The server refused the password"},
        {ErrorCode::InternetLoginFailure, "The login request was denied"},
        {ErrorCode::InternetInvalidOperation, "The operation is not valid"},
        {ErrorCode::InternetOperationCancelled, "The operation was cancelled"},
        {ErrorCode::InternetIncorrectHandleType,
         "The handle is of the wrong type for this operation"},
        {ErrorCode::InternetIncorrectHandleState,
         "The handle is in the wrong state for this operation"},
        {ErrorCode::InternetCannotConnect, "A connection with the server could not be established"},
        {ErrorCode::InternetConnectionAborted,
         "The connection with the server was ended abnormally"},
        {ErrorCode::InternetConnectionReset, "The connection with the server was reset"},
        {ErrorCode::FtpTransferInProgress,
         "Another operation is in progress on this FTP connection"},
        {ErrorCode::FtpDropped, "The FTP session was ended by the server"},
        {ErrorCode::FtpNoPassiveMode, "Passive mode is not available on the server"},
        {ErrorCode::InternetInvalidServerResponse, "The server response could not be understood"},
        {ErrorCode::FtpTlsRefused, "The server refused to secure the connection with TLS"},
        {ErrorCode::FtpTlsNotAvailable, "FTP over TLS is not available in this build"},
        {ErrorCode::InternetCertificateNotTrusted, "The server's certificate is not trusted"},
        {ErrorCode::InternetSecurityChannelError,
         "The TLS session with the server failed (handshake or encrypted data)"},
    };
    auto found = texts.find(code);
    return found == texts.end() ? std::string() : std::string(found->second);
}

}  // namespace platform
