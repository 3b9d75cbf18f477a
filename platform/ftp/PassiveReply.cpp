#include "platform/ftp/PassiveReply.h"

bool ParsePasvReply(const std::string&, std::string&, uint16_t&) { return false; }

bool ParseEpsvReply(const std::string&, uint16_t&) { return false; }
