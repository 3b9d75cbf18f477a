#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "storage/NameCompare.h"

namespace {

struct NamePair {
    const char* a;
    const char* b;
    const char* why;
};

TEST(NameCompareTest, NamesThatDifferOnlyInCaseAreEqual) {
    const NamePair equal[] = {
        {"README.TXT", "readme.txt", "ASCII"},
        {"\xC3\x84pfel", "\xC3\xA4pfel", "UTF-8 A/a umlaut"},
        {"\xC5\x92uvre", "\xC5\x93uvre", "UTF-8 OE ligature"},
        {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1",
         "Greek"},
        {"\xCF\x82", "\xCF\x83", "Greek final sigma folds to sigma"},
        {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
         "\xD0\xBC\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", "Cyrillic"},
        {"\xD0\x81", "\xD1\x91", "Cyrillic IO"},
        {"\xC4\xB0", "\xC4\xB0", "dotted capital I only equals itself"},
        {"\xC4.txt", "\xE4.txt", "code page 1252 A/a umlaut"},
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", "code page 1252 S/OE/Z caron, Y diaeresis"},
        {"\xC0\xDE", "\xE0\xFE", "code page 1252 range ends"},
        {"\xC4\xD6\xDC x", "\xC3\xA4\xC3\xB6\xC3\xBC X",
         "1252 bytes equal the same letters in UTF-8"},
        {"", "", "empty"},
    };
    for (const NamePair& p : equal) {
        EXPECT_EQ(CompareNamesIgnoringCase(p.a, p.b), 0) << p.why;
        EXPECT_EQ(CompareNamesIgnoringCase(p.b, p.a), 0) << p.why;
    }
}

TEST(NameCompareTest, DifferentLettersStayDifferent) {
    const NamePair different[] = {
        {"a", "b", "ASCII"},
        {"\xD7", "\xF7", "code page 1252 times and divide are no pair"},
        {"\xDF", "ss", "sharp s is not folded to two letters"},
        {"\xC4\xB0", "i", "dotted capital I is not i"},
        {"a", "a ", "longer"},
        {"\xC3\xA4", "a", "umlaut is not its base letter"},
    };
    for (const NamePair& p : different) {
        EXPECT_NE(CompareNamesIgnoringCase(p.a, p.b), 0) << p.why;
        EXPECT_EQ(CompareNamesIgnoringCase(p.a, p.b), -CompareNamesIgnoringCase(p.b, p.a)) << p.why;
    }
}

TEST(NameCompareTest, SortingPutsEqualNamesNextToEachOther) {
    std::vector<std::string> names = {
        "\xC4.txt",     "b.txt",    "\xC3\x84.txt", "B.TXT",    "\xE4.txt", "a.txt",
        "\xC3\xA4.txt", "A.txt",    "\xFF",         "\xC5\xB8", "z",        "\xD0\x96",
        "\xD0\xB6",     "\xC3\x28", "\xE4.TXT",     "Z"};
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
            return CompareNamesIgnoringCase(x, y) < 0;
        });
        // Every group of equal names is one run.
        for (size_t i = 0; i < names.size(); ++i) {
            for (size_t j = i + 2; j < names.size(); ++j) {
                if (CompareNamesIgnoringCase(names[i], names[j]) == 0) {
                    EXPECT_EQ(CompareNamesIgnoringCase(names[i], names[j - 1]), 0);
                }
            }
        }
    }
}

TEST(NameCompareTest, Utf8Validity) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC4.txt"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
}

}  // namespace
