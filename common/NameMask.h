#pragma once
// A find mask against one name: "*" stands for any run of bytes (also none), "?"
// for exactly one; every other byte for itself. Greedy matching with one point
// to go back to (the latest "*"): linear in practice and never recursive,
// whatever a name holds. Pure.

#include <string>

struct NameMaskRules {
    bool IgnoreCase = false;  // ASCII letters compare without regard to case
    // A mask ending in ".*" also matches the name without that part, as
    // Windows masks do ("*.*" matches every name, "readme.*" matches "readme").
    bool DotStarMatchesNoExtension = false;
};

bool MatchesNameMask(const std::string& name, const std::string& mask, NameMaskRules rules);
