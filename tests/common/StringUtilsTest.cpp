#include <gtest/gtest.h>

#include "common/StringUtils.h"

namespace {

struct Case {
    const char* call;
    std::string result;
    std::string expected;
};

std::string SplitOffResult(std::string text, const std::string& sep, std::string* rest) {
    std::string head = SplitOff(text, sep);
    *rest = text;
    return head;
}

std::string TakeLastWordResult(std::string text, const std::string& delims, std::string* rest) {
    std::string word = TakeLastWord(text, delims);
    *rest = text;
    return word;
}

TEST(StringUtilsTest, TableOfCuts) {
    std::string rest;
    const Case cases[] = {
        {"TextAfter /L :", TextAfter("/L", ":"), ""},
        {"TextAfter /L:a:b :", TextAfter("/L:a:b", ":"), "a:b"},
        {"TextBefore 3 ,", TextBefore("3", ","), "3"},
        {"TextAfter 3 ,", TextAfter("3", ","), ""},
        {"TextAfter empty separator", TextAfter("abc", ""), ""},
        {"TextBefore empty separator", TextBefore("abc", ""), "abc"},
        {"LeftOf abc -1", LeftOf("abc", -1), "ab"},
        {"LeftOf abc -5", LeftOf("abc", -5), ""},
        {"LeftOf abc 9", LeftOf("abc", 9), "abc"},
        {"LeftOf abc 0", LeftOf("abc", 0), ""},
        {"RightOf abc 1", RightOf("abc", 1), "c"},
        {"RightOf abc 9", RightOf("abc", 9), "abc"},
        {"RightOf abc 0", RightOf("abc", 0), ""},
        {"CopyFrom abc 0", CopyFrom("abc", 0), "abc"},
        {"CopyFrom abc 2", CopyFrom("abc", 2), "bc"},
        {"CopyFrom abc 4", CopyFrom("abc", 4), ""},
        {"JoinPath a\\ \\ b", JoinPath("a\\", "\\", "b"), "a\\b"},
        {"JoinPath empty \\ b", JoinPath("", "\\", "b"), "b"},
        {"JoinPath a \\ empty", JoinPath("a", "\\", ""), "a"},
        {"JoinPath a / b", JoinPath("a", "/", "b"), "a/b"},
        {"FieldAt x,y,z 2", FieldAt("x,y,z", 2, ","), "y"},
        {"FieldAt x,y,z 3", FieldAt("x,y,z", 3, ","), "z"},
        {"FieldAt x,y,z 4", FieldAt("x,y,z", 4, ","), ""},
        {"FieldAt x,y,z 0", FieldAt("x,y,z", 0, ","), "x"},
        {"FieldAt UNC server", FieldAt("\\\\server\\share\\dir", 3, "\\"), "server"},
        {"FieldAt UNC share", FieldAt("\\\\server\\share\\dir", 4, "\\"), "share"},
        {"SplitOff reply", SplitOffResult("220 ok\r\n221 bye", "\r\n", &rest), "220 ok"},
        {"TakeLastWord a\\b\\c", TakeLastWordResult("a\\b\\c", "\\", &rest), "c"},
        {"ReplaceAll aabb ab", ReplaceAll("aabb", "ab", ""), ""},
        {"ReplaceAll / to \\", ReplaceAll("C:/a/b", "/", "\\"), "C:\\a\\b"},
        {"ReplaceAll new holds old", ReplaceAll("a.b", ".", ".."), "a..b"},
        {"ReplaceAll empty old", ReplaceAll("abc", "", "x"), "abc"},
        {"ReplaceAll rescans nested CRLF", ReplaceAll("a\r\r\n\nb", "\r\n", ""), "ab"},
        {"ReplaceAll rescans after the first", ReplaceAll("xaabbyab", "ab", "c"), "xacbyc"},
        // A replacement as long as the pattern would form new occurrences for
        // ever when rescanned; it is one pass instead.
        {"ReplaceAll growing replacement ends", ReplaceAll("aab", "ab", "bbaa"), "abbaa"},
        {"ReplaceAll same length one pass", ReplaceAll("aab", "ab", "ba"), "aba"},
        {"TextIf true", TextIf(true, "x"), "x"},
        {"TextIf false", TextIf(false, "x"), ""},
        {"TextIfElse false", TextIfElse(false, "x", "y"), "y"},
        {"LowerAscii", LowerAscii("AbC\xC4"), "abc\xC4"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
}

TEST(StringUtilsTest, SplitOffLeavesTheRest) {
    std::string text = "220 ok\r\n221 bye";
    EXPECT_EQ(SplitOff(text, "\r\n"), "220 ok");
    EXPECT_EQ(text, "221 bye");
    EXPECT_EQ(SplitOff(text, "\r\n"), "221 bye");
    EXPECT_EQ(text, "");
}

TEST(StringUtilsTest, TakeLastWordShortensTheText) {
    struct {
        std::string text, delims, word, rest;
    } cases[] = {
        {"a\\b\\c", "\\", "c", "a\\b"}, {"\\c", "\\", "c", ""},   {"a\\b\\", "\\", "b", "a"},
        {"c", "\\", "c", ""},           {"\\\\\\", "\\", "", ""}, {"one two\r\n", "", "two", "one"},
        {" \t\r\n", "", "", ""},
    };
    for (auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(TakeLastWord(text, c.delims), c.word) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(StringUtilsTest, PrefixAndSuffixTests) {
    EXPECT_FALSE(StartsWith("ft", "ftp", true));
    EXPECT_TRUE(StartsWith("FTP://x", "ftp", true));
    EXPECT_FALSE(StartsWith("FTP://x", "ftp", false));
    EXPECT_TRUE(StartsWith("x", "", false));
    EXPECT_TRUE(EndsWith("", "", false));
    EXPECT_TRUE(EndsWith("dir\\", "\\", false));
    EXPECT_FALSE(EndsWith("b", "ab", false));
    EXPECT_TRUE(EndsWith("ab", "AB", true));
    // Only A-Z are folded: bytes above 0x7F must match exactly.
    EXPECT_FALSE(StartsWith("\xC4x", "\xE4", true));
}

TEST(StringUtilsTest, ControlCharactersAreShownAndEverythingElseKept) {
    const struct {
        std::string text, shown;
    } cases[] = {
        {"plain name.txt", "plain name.txt"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("nul\0", 4), "nul\\x00"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"caf\xc3\xa9 back\\slash", "caf\xc3\xa9 back\\slash"},  // UTF-8 and "\\" stay
    };
    for (const auto& c : cases) EXPECT_EQ(ShowControlCharacters(c.text), c.shown) << c.shown;
}

}  // namespace
