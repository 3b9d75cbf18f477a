#pragma once
// Wildcard matching of file patterns against relative paths and names.
// "*" stands for any run of characters (also none, also across separators), "?"
// for exactly one character; every other byte stands for itself. There is no
// escape character. Pure functions, safe from any thread.

#include <string>
#include <vector>

// Whole-string match, bytes compared as they are. A "?" inside a run of stars
// consumes nothing, and a pattern that ends in such a run matches whatever text
// is left.
bool WildcardMatch(const std::string& text, const std::string& pattern);

// When ignoreCase, both strings are lowered (ASCII A-Z only) first.
bool MatchesPattern(const std::string& text, const std::string& pattern, bool ignoreCase);

// The 0-based position of the last spec in the list that matches the text, or -1.
int FindMatchingSpec(const std::string& text, const std::vector<std::string>& specs,
                     bool ignoreCase);
