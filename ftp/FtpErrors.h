#pragma once
// Which failures of the FTP device a new connection may cure, and the one-line
// descriptions of its error codes. Pure functions.

#include <cstdint>
#include <string>

// A new connection may cure the failure: ErrorCode::InvalidHandle (the handle
// was closed under the call), InternetTimeout, InternetExtendedError,
// InternetOperationCancelled, InternetConnectionAborted, InternetConnectionReset
// and FtpDropped.
bool IsRecoverableCode(uint32_t code);

// The description of an error code. lastResponse is the server's last reply,
// which the text of ErrorCode::InternetExtendedError (an error reply) carries.
// The codes that the device meets most get a text of their own as it stands;
// every other code gets a text followed by " (#" + code + ")": Internet client
// codes (12000-13000) the client's own description, or a general one where it
// has none, and system codes the system's text.
std::string DescribeFtpError(uint32_t code, const std::string& lastResponse);
