#pragma once
// The comparison that ignores letter case, used by the name index of directory
// lists. It stands in for the user locale's case-insensitive comparison: a name
// that is valid UTF-8 is compared character by character after Unicode simple
// case folding; any other name is read byte by byte as Windows code page 1252
// (so 0xC4 and 0xE4, A-umlaut and a-umlaut, are equal) and folded the same way.
// Both kinds are compared as folded code points, so the result is a total order
// in which names found equal sort next to each other. Pure; any thread.

#include <string_view>

// Negative, zero or positive as `a` sorts before, equal to or after `b`.
int CompareNamesIgnoringCase(std::string_view a, std::string_view b);

// True when the bytes form valid UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsValidUtf8(std::string_view text);
