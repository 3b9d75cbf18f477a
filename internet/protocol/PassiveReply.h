#pragma once
// Parsing the replies to PASV (227) and EPSV (229). Pure functions; a false result
// leaves the outputs untouched.

#include <cstdint>
#include <string>

namespace ftpprotocol {

// 227 reply: finds h1,h2,h3,h4,p1,p2 anywhere in the text, with or without
// parentheses; each number 0-255. host is the dotted address as the server gave it
// (callers connect to the control connection's peer instead, see RFC 2577 on
// bounce attacks); port is p1 * 256 + p2 and never 0.
bool ParsePasvReply(const std::string& replyText, std::string& host, uint16_t& port);

// 229 reply: "(|||port|)" with any delimiter character in 33-126 (the same one four
// times); port 1-65535.
bool ParseEpsvReply(const std::string& replyText, uint16_t& port);

}  // namespace ftpprotocol
