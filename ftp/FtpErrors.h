#pragma once
// Which failures of the FTP device a new connection may cure, the one-line
// descriptions of its error codes, and the form of its failure reports. Pure
// functions.

#include <cstdint>
#include <string>

#include "output/MessageText.h"

// A new connection may cure the failure: ErrorCode::InvalidHandle (the handle
// was closed under the call), InternetTimeout, InternetExtendedError,
// InternetOperationCancelled, InternetConnectionAborted, InternetConnectionReset,
// FtpDropped and InternetSecurityChannelError (a TLS record that broke on the
// way; a new connection does a new handshake).
bool IsRecoverableCode(uint32_t code);

// The connection could not be secured: the server refused TLS, the handshake
// failed or the certificate is not trusted. Another attempt, active or passive,
// would meet the same, so the side ends with the report.
bool IsTlsFailureCode(uint32_t code);

// A system error code that a transfer leaves for its local file (a full disk,
// a refused write): neither 0, nor an Internet client code, nor one that a new
// connection may cure.
bool IsLocalFileError(uint32_t code);

// The description of an error code. lastResponse is the server's last reply,
// which the text of ErrorCode::InternetExtendedError (an error reply) carries.
// The codes that the device meets most get a text of their own as it stands;
// every other code gets a text followed by " (#" + code + ")": Internet client
// codes (12000-13000) the client's own description (platform::OwnInternetErrorText,
// the same on every build), else the system's, else a general one; system codes
// the system's text.
std::string DescribeFtpError(uint32_t code, const std::string& lastResponse);

// The device's report of a failed connection or transfer, four lines:
//   firstLine
//   codeLine                  ("Error code: 12014", "Code: 12003", ...)
//   Description: description
//   Last response: response   (each further line of the reply on a line of its own)
VelMessageText FourLineReport(const std::string& firstLine, const std::string& codeLine,
                              const std::string& description, const std::string& response);
