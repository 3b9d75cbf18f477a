#pragma once
// The program's own one-line descriptions of the Internet client's codes
// 12000-12999, so that a message never lacks a text where the system has none.

#include <cstdint>
#include <string>

namespace platform {

// The description of an Internet code, or empty for a code it does not know.
std::string OwnInternetErrorText(uint32_t code);

}  // namespace platform
