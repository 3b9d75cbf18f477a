#pragma once
// One-line descriptions of error codes (Windows numbering).

#include <cstdint>
#include <string>

namespace platform {

// The system's text for a Windows system error code, without a line end. Never
// empty: a code without a text of its own gets a generic one naming the code.
std::string SystemErrorText(uint32_t code);

}  // namespace platform
