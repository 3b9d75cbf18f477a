#pragma once
// The command-line arguments, looked up by switch name and consumed one at a
// time. AllArguments never changes; every successful lookup that consumes an
// argument removes it from RemainingArguments. Lookups scan from the front and
// stop at the first match, so a switch given twice is found once per lookup.
//
// An argument that begins with "/" and holds a second "/" before its first ":"
// (or anywhere, when it has no ":") is an absolute path (/home/me/data,
// //server/share) and never matches a switch: /L:/var/log/run.log is still /L.

#include <string>
#include <vector>

using StringList = std::vector<std::string>;

enum MatchMode : int {
    mmExact = 0,
    mmExactIgnoreCase = 1,
    mmPrefix = 2,
    mmPrefixIgnoreCase = 3,
    mmSuffix = 4,
    mmSuffixIgnoreCase = 5,
};

class VelArgumentHandler {
public:
    // The arguments after the program name, as the platform split them.
    explicit VelArgumentHandler(StringList arguments);

    // Whether any argument, consumed or not, matches.
    bool WasGiven(const std::string& name, int mode) const;
    // Position (from 0) of the first remaining argument that matches; -1 when none.
    int IndexOf(const std::string& name, int mode) const;
    // Consumes the first remaining match.
    bool TakeSwitch(const std::string& name, int mode);
    // Consumes the first remaining match and gives it whole (/L:run.log) in
    // value; leaves value alone when nothing matches.
    bool TakeSwitchValue(const std::string& name, std::string& value, int mode);
    int RemainingCount() const { return int(RemainingArguments.size()); }
    // The first remaining argument, consumed; empty when none remains.
    void TakeNext(std::string& value);
    // The remaining arguments separated by blanks, those holding a blank inside
    // double quotes.
    void RemainingAsText(std::string& text) const;

    // Whether an argument matches a name in a mode (any other mode: never).
    static bool Matches(const std::string& argument, const std::string& name, int mode);
    static bool IsAbsolutePathArgument(const std::string& argument);

    const StringList AllArguments;
    StringList RemainingArguments;
};
