// The one mask matcher behind the disk's and the FTP client's find masks, with
// the rules each side gives it.

#include <gtest/gtest.h>

#include "common/NameMask.h"

namespace {

TEST(NameMask, RulesOfEachSide) {
    const NameMaskRules exact{}, disk{false, true}, windows{true, true};
    const struct {
        const char* Name;
        const char* Mask;
        NameMaskRules Rules;
        bool Matches;
    } cases[] = {
        {"a.txt", "*.txt", exact, true},
        {"a.TXT", "*.txt", exact, false},
        {"a.TXT", "*.txt", windows, true},
        {"noext", "*.*", exact, false},
        {"noext", "*.*", disk, true},
        {"readme", "readme.*", windows, true},
        {"readme.md", "readme.*", disk, true},
        {"a.txt", "?.bin", windows, false},
        {"abc", "a?c", exact, true},
        {"ac", "a?c", exact, false},
        {"", "*", exact, true},
        {"a", "", exact, false},
        {"x.tar.gz", "*.gz", exact, true},
        {"name.*", "name.*", exact, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesNameMask(c.Name, c.Mask, c.Rules), c.Matches) << c.Name << " / " << c.Mask;
    // Many stars against a long name that cannot match end at once.
    EXPECT_FALSE(MatchesNameMask(std::string(100000, 'a'), std::string(200, '*') + "b", exact));
}

}  // namespace
