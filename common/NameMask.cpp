#include "common/NameMask.h"

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool MatchesNameMask(const std::string& name, const std::string& mask, NameMaskRules rules) {
    const auto same = [&](char a, char b) {
        return rules.IgnoreCase ? LowerAscii(a) == LowerAscii(b) : a == b;
    };
    size_t n = 0, m = 0, starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || same(mask[m], name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size() || (rules.DotStarMatchesNoExtension && mask.compare(m, 2, ".*") == 0 &&
                                m + 2 == mask.size());
}
