#include <map>

#include "common/ErrorCodes.h"
#include "internet/InternetErrorTexts.h"

namespace platform {

// Most of these texts are what users read in the FTP device's messages, followed
// by the code's number ("The server refused the login (#12015)"): changing one
// changes a message.
std::string OwnInternetErrorText(uint32_t code) {
    static const std::map<uint32_t, const char*> texts = {
        {ErrorCode::InternetOutOfHandles, "No more Internet handles could be made"},
        {ErrorCode::InternetTimeout, "The operation timed out"},
        {ErrorCode::InternetExtendedError, "The server answered with an error reply"},
        {ErrorCode::InternetInternalError, "Internal error of the FTP client"},
        {ErrorCode::InternetInvalidUrl, "The server address is not valid"},
        {ErrorCode::InternetUnrecognizedScheme, "The address does not name an FTP server"},
        {ErrorCode::InternetNameNotResolved, "The server name could not be resolved"},
        {ErrorCode::InternetProtocolNotFound, "No protocol to reach the server"},
        {ErrorCode::InternetInvalidOption, "The FTP client does not know this option"},
        {ErrorCode::InternetBadOptionLength, "An option value of the wrong size"},
        {ErrorCode::InternetOptionNotSettable, "The option cannot be changed"},
        {ErrorCode::InternetShutdown, "The FTP client is shutting down"},
        {ErrorCode::InternetIncorrectUserName, "The server does not accept the user name"},
        {ErrorCode::InternetIncorrectPassword, "The server does not accept the password"},
        {ErrorCode::InternetLoginFailure, "The server refused the login"},
        {ErrorCode::InternetInvalidOperation, "The FTP client cannot do this here"},
        {ErrorCode::InternetOperationCancelled, "The operation was cancelled"},
        {ErrorCode::InternetIncorrectHandleType, "Wrong kind of FTP handle for this operation"},
        {ErrorCode::InternetIncorrectHandleState, "The FTP handle is not ready for this operation"},
        {ErrorCode::InternetCannotConnect, "A connection with the server could not be established"},
        {ErrorCode::InternetConnectionAborted,
         "The connection with the server was ended abnormally"},
        {ErrorCode::InternetConnectionReset, "The connection with the server was reset"},
        {ErrorCode::FtpTransferInProgress, "Another transfer is still running on the connection"},
        {ErrorCode::FtpDropped, "The FTP session was ended by the server"},
        {ErrorCode::FtpNoPassiveMode, "The server offers no passive transfers"},
        {ErrorCode::InternetInvalidServerResponse,
         "The server sent a reply the FTP client cannot understand"},
        {ErrorCode::InternetDisconnected, "The computer is not connected to a network"},
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
