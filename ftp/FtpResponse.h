#pragma once
// Reading the server's reply texts that the FTP device looks at itself. Pure
// functions; a reply is one or more lines, each ending in CR LF.

#include <string>

// The reply begins with code, or holds CR LF followed by code (a later line
// begins with it). Letter case and digits count character by character; an
// empty reply holds no code.
bool ResponseHasCode(const std::string& code, const std::string& response);

// The reply begins with a three-digit code of the 2xx class (the command
// succeeded).
bool IsPositiveCompletion(const std::string& response);

// The last line of a reply (without its line end): the one that carries the
// final code and, for most servers, the gist.
std::string FinalLine(const std::string& response);

// The three-digit code of a reply's last line; 0 when it has none.
int FinalCode(const std::string& response);

// The reply says the server does not know the command (500, 502 or 504).
bool IsUnknownCommandReply(const std::string& response);
