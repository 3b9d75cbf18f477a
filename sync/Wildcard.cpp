#include "sync/Wildcard.h"

#include <algorithm>

#include "common/StringUtils.h"

namespace {

// Matches text from i against pattern from j. A pattern with several stars could
// make the plain backtracking search exponential on long paths, so positions that
// are known to fail after a star are remembered.
class WildcardMatcher {
public:
    WildcardMatcher(const std::string& text, const std::string& pattern)
        : Text(text), Pattern(pattern) {
        if (std::count(pattern.begin(), pattern.end(), '*') > 1)
            Failed.assign((text.size() + 2) * (pattern.size() + 2), false);
    }

    bool Match(size_t i, size_t j) {
        const size_t n = Text.size(), m = Pattern.size();
        while (j < m) {
            if (Pattern[j] == '*') return MatchStarRun(i, j);
            if (i >= n) return false;
            if (Pattern[j] != '?' && Text[i] != Pattern[j]) return false;
            ++i;
            ++j;
        }
        return i >= n;
    }

private:
    bool MatchStarRun(size_t i, size_t j) {
        const size_t n = Text.size(), m = Pattern.size();
        while (Pattern[j] == '*' || Pattern[j] == '?') {
            if (j == m - 1) return true;
            ++j;
        }
        const char literal = Pattern[j];
        if (i >= n) return false;
        for (size_t k = i; k < n; ++k) {
            if (Text[k] != literal) continue;
            if (KnownToFail(k + 1, j + 1)) continue;
            if (Match(k + 1, j + 1)) return true;
            RememberFailure(k + 1, j + 1);
        }
        return false;
    }

    bool KnownToFail(size_t i, size_t j) const {
        return !Failed.empty() && Failed[i * (Pattern.size() + 2) + j];
    }
    void RememberFailure(size_t i, size_t j) {
        if (!Failed.empty()) Failed[i * (Pattern.size() + 2) + j] = true;
    }

    const std::string& Text;
    const std::string& Pattern;
    std::vector<bool> Failed;
};

}  // namespace

bool WildcardMatch(const std::string& text, const std::string& pattern) {
    WildcardMatcher matcher(text, pattern);
    return matcher.Match(0, 0);
}

bool MatchesPattern(const std::string& text, const std::string& pattern, bool ignoreCase) {
    if (!ignoreCase) return WildcardMatch(text, pattern);
    return WildcardMatch(LowerAscii(text), LowerAscii(pattern));
}

int FindMatchingSpec(const std::string& text, const std::vector<std::string>& specs,
                     bool ignoreCase) {
    if (specs.empty()) return -1;
    const std::string subject = ignoreCase ? LowerAscii(text) : text;
    for (size_t k = specs.size(); k-- > 0;) {
        const std::string& spec = specs[k];
        if (WildcardMatch(subject, ignoreCase ? LowerAscii(spec) : spec)) return int(k);
    }
    return -1;
}
