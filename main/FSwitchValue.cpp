#include "main/FSwitchValue.h"

#include "common/StringUtils.h"

namespace {

// Decimal digits only, no sign and no blanks; at most 4294967295.
bool ReadWholeNumber(const std::string& text, uint32_t& number, std::string& problem) {
    const std::string quoted = "\"" + text + "\"";
    if (!text.empty() && text[0] == '-' && text.size() > 1 &&
        text.find_first_not_of("0123456789", 1) == std::string::npos) {
        problem = quoted + " is negative";
        return false;
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        problem = quoted + " is not a whole number";
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        value = value * 10 + uint64_t(c - '0');
        if (value > UINT32_MAX) {
            problem = quoted + " is too large (at most 4294967295)";
            return false;
        }
    }
    number = uint32_t(value);
    return true;
}

}  // namespace

bool ReadFSwitchValue(const std::string& value, uint32_t& first, uint32_t& second,
                      std::string& problem) {
    uint32_t a = 0, b = 0;
    std::string why;
    if (!ReadWholeNumber(TextBefore(value, ","), a, why) ||
        !ReadWholeNumber(TextAfter(value, ","), b, why)) {
        problem = "\"" + value + "\" is not a valid /F value: " + why;
        return false;
    }
    first = a;
    second = b;
    return true;
}
