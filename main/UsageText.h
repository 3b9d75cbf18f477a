#pragma once
// The usage text, byte for byte: 40 lines, each ending in CR LF.

#include <string>

const std::string& UsageText();
