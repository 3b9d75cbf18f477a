#pragma once
// Small pure helpers on byte strings that the command line, the engine and the
// devices use to cut switch values, paths and server answers apart. Positions
// count from 1; out-of-range positions and counts are clamped, never an error.

#include <string>

// The characters from position `from` (1-based) to the end.
std::string CopyFrom(const std::string& text, long long from);
// The first `count` characters; a negative count means all but the last -count.
std::string LeftOf(const std::string& text, long long count);
// The last `count` characters.
std::string RightOf(const std::string& text, long long count);
// The text after the first occurrence of `separator`; empty when it does not occur.
std::string TextAfter(const std::string& text, const std::string& separator);
// The text before the first occurrence of `separator`; all of it when it does not occur.
std::string TextBefore(const std::string& text, const std::string& separator);
// Returns the text before the first `separator` and leaves what follows it in `text`;
// without a separator returns all of `text` and empties it.
std::string SplitOff(std::string& text, const std::string& separator);
// Returns the last word of `text` and shortens `text` to what stood before the word
// and its delimiter. Empty `delimiters` means CR, LF, blank and tab.
std::string TakeLastWord(std::string& text, const std::string& delimiters);
// The index-th field (from 1) of `text` split at `separator`.
std::string FieldAt(const std::string& text, long long index, const std::string& separator);
// first + separator + second, without doubling a separator that ends `first`;
// an empty part gives the other.
std::string JoinPath(const std::string& first, const std::string& separator,
                     const std::string& second);
bool StartsWith(const std::string& text, const std::string& prefix, bool ignoreCase);
bool EndsWith(const std::string& text, const std::string& suffix, bool ignoreCase);
// Every occurrence of `oldText` replaced by `newText`. When `newText` is shorter
// and does not hold `oldText`, replacements are rescanned (so "aabb" less "ab" is
// empty); otherwise one left-to-right pass. Always ends.
std::string ReplaceAll(const std::string& text, const std::string& oldText,
                       const std::string& newText);
std::string TextIf(bool condition, const std::string& text);
std::string TextIfElse(bool condition, const std::string& whenTrue, const std::string& whenFalse);

// ASCII A-Z lowered; every other byte unchanged.
std::string LowerAscii(const std::string& text);

// The text with every control byte (below 0x20, and 0x7F) made visible: line
// feed, carriage return and tab as \n, \r and \t, the others as \xNN in lower
// case hexadecimal (escape is \x1b). Every other byte is kept as it is. A name
// shown this way cannot break a line or drive a terminal.
std::string ShowControlCharacters(const std::string& text);
