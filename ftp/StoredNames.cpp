#include "ftp/StoredNames.h"

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string WithoutOuterBlanks(const std::string& name) {
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool MayBeStoredUnderAnotherName(const std::string& name) {
    if (name.empty()) return false;
    if (name.front() == ' ' || name.back() == ' ') return true;
    for (unsigned char c : name)
        if (IsControl(c)) return true;
    return false;
}

bool ResemblesStoredName(const std::string& asked, const std::string& stored) {
    if (asked == stored || stored.empty()) return false;
    if (stored == WithoutOuterBlanks(asked)) return true;
    if (asked.size() != stored.size()) return false;
    const size_t first = asked.find_first_not_of(' ');
    const size_t last = asked.find_last_not_of(' ');
    for (size_t i = 0; i < asked.size(); ++i) {
        if (asked[i] == stored[i]) continue;
        const bool outerBlank =
            asked[i] == ' ' && (i < first || first == std::string::npos || i > last);
        if (!outerBlank && !IsControl(static_cast<unsigned char>(asked[i]))) return false;
    }
    return true;
}
