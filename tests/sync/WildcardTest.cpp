#include "sync/Wildcard.h"

#include <gtest/gtest.h>

#include "common/SyncFlags.h"
#include "sync/FileSpecs.h"

namespace {

struct MatchCase {
    const char* Text;
    const char* Pattern;
    bool IgnoreCase;
    bool Matches;
};

const MatchCase MatchCases[] = {
    {"", "*", false, true},
    {"/anything/at/all", "*", false, true},
    {"", "", false, true},
    {"/a.txt", "", false, false},
    {"/a.txt", "*.txt", false, true},
    {"/sub/b.txt", "*.txt", false, true},
    {"/a.txt", "/*.txt", false, true},
    {"/sub/b.txt", "/*.txt", false, true},  // the star runs across separators
    {"/a.txt", "a.txt", false, false},      // no leading separator: matches nothing
    {"/sub/a.txt", "a.txt", false, false},
    {"/a.txt", "*/a.txt", false, true},
    {"/sub/a.txt", "*/a.txt", false, true},
    {"/x.txt", "?.txt", false, false},  // the "?" takes the separator, x is left over
    {"/x.txt", "/?.txt", false, true},
    {"x", "*?x", false, true},  // a "?" after a star consumes nothing
    {"", "*?", false, true},
    {"ab", "ab*", false, true},
    {"abc", "ab?", false, true},
    {"ab", "ab?", false, false},
    {"/readme.txt", "*.TXT", true, true},
    {"/readme.txt", "*.TXT", false, false},
    {"/\xC4.txt", "/\xE4.txt", true, false},  // only A-Z are folded
    {"/a/b/c/d.log", "*/*/*.log", false, true},
    {"/a.log", "*/*/*.log", false, false},
    {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
     "*a*a*a*a*a*a*a*a*a*a*a*a*b", false, false},  // must end quickly
};

TEST(WildcardMatch, MatchesAsTheTableSays) {
    for (const MatchCase& c : MatchCases) {
        EXPECT_EQ(MatchesPattern(c.Text, c.Pattern, c.IgnoreCase), c.Matches)
            << "text '" << c.Text << "' pattern '" << c.Pattern << "' ignoreCase " << c.IgnoreCase;
    }
}

TEST(WildcardMatch, FindMatchingSpecSearchesFromTheLastSpecBack) {
    const std::vector<std::string> specs = {"*.txt", "/a*", "*.doc"};
    EXPECT_EQ(FindMatchingSpec("/a.txt", specs, false), 1);
    EXPECT_EQ(FindMatchingSpec("/b.txt", specs, false), 0);
    EXPECT_EQ(FindMatchingSpec("/b.DOC", specs, true), 2);
    EXPECT_EQ(FindMatchingSpec("/b.DOC", specs, false), -1);
    EXPECT_EQ(FindMatchingSpec("/b.txt", {}, false), -1);
}

struct SelectionCase {
    std::vector<std::string> CopySpecs, MoveSpecs, ExcludeSpecs, IgnoreSpecs;
    const char* Path;
    bool Selected;
};

TEST(FileSpecs, FileToCopyFollowsCopyMoveExcludeAndIgnoreSpecs) {
    const SelectionCase cases[] = {
        {{"*.doc"}, {"*.tmp"}, {}, {}, "/x.tmp", true},  // selected by the move spec
        {{"*.doc"}, {"*.tmp"}, {}, {}, "/x.txt", false},
        {{}, {"*.tmp"}, {}, {}, "/x.tmp", true},  // no copy spec: everything
        {{}, {"*.tmp"}, {}, {}, "/x.txt", true},
        {{"*.txt"}, {}, {"*.txt"}, {}, "/a.txt", false},  // copy and exclude: not copied
        {{"*.txt"}, {}, {}, {"*.txt"}, "/a.txt", false},  // copy and ignore: not copied
        {{}, {}, {"/sub/*"}, {}, "/sub/a.txt", false},
        {{}, {}, {"/sub/*"}, {}, "/a.txt", true},
    };
    for (const SelectionCase& c : cases) {
        VelSyncFlags options;
        options.CopySpecs = c.CopySpecs;
        options.MoveSpecs = c.MoveSpecs;
        options.ExcludeFileSpecs = c.ExcludeSpecs;
        options.IgnoreFileSpecs = c.IgnoreSpecs;
        EXPECT_EQ(VelFileSpecs(options).IsFileToCopy(c.Path, true), c.Selected) << c.Path;
    }
}

TEST(FileSpecs, TextFileSpecsTestTheBareNameIgnoringCase) {
    VelSyncFlags options;
    options.TextFileSpecs = {"readme.txt"};
    VelFileSpecs specs(options);
    EXPECT_TRUE(specs.IsTextFile("readme.txt"));
    EXPECT_TRUE(specs.IsTextFile("README.TXT"));
    EXPECT_FALSE(specs.IsTextFile("/sub/readme.txt"));
}

TEST(FileSpecs, FolderToCopyIsNeitherExcludedNorIgnored) {
    VelSyncFlags options;
    options.ExcludeFolderSpecs = {"/temp"};
    options.IgnoreFolderSpecs = {"*/keep"};
    VelFileSpecs specs(options);
    EXPECT_FALSE(specs.IsFolderToCopy("/temp", true));
    EXPECT_FALSE(specs.IsFolderToCopy("/a/keep", true));
    EXPECT_TRUE(specs.IsFolderToCopy("/a/other", true));
    EXPECT_FALSE(specs.IsFolderToCopy("/TEMP", true));
    EXPECT_TRUE(specs.IsFolderToCopy("/TEMP", false));
}

}  // namespace
