#include "sync/SyncPaths.h"

#include <gtest/gtest.h>

namespace {

TEST(SyncPaths, RootsLoseOneTrailingSeparatorAndBackslashesStay) {
    const struct {
        const char* Location;
        const char* Root;
    } cases[] = {
        {"/data", "/data"},       {"/data/", "/data"},
        {"/data//", "/data/"},    {"/", "/"},
        {"a\\b\\", "a\\b\\"},     {"ftp://host/dir/", "ftp://host/dir"},
        {"relative", "relative"}, {"//server/share/", "//server/share"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormaliseRoot(c.Location), c.Root) << c.Location;
}

TEST(SyncPaths, FolderPathsDoNotDoubleTheSeparatorAfterTheFileSystemRoot) {
    EXPECT_EQ(FolderPath("/data", ""), "/data");
    EXPECT_EQ(FolderPath("/data", "/sub"), "/data/sub");
    EXPECT_EQ(FolderPath("/", "/sub"), "/sub");
    EXPECT_EQ(ChildPath("", "a.txt"), "/a.txt");
    EXPECT_EQ(ChildPath("/sub", "a.txt"), "/sub/a.txt");
}

TEST(SyncPaths, UsableNamesAreOnePathComponent) {
    EXPECT_TRUE(IsUsableName("a.txt", false));
    EXPECT_TRUE(IsUsableName("back\\slash", false));  // an ordinary character on POSIX
    EXPECT_TRUE(IsUsableName("..", true));
    EXPECT_FALSE(IsUsableName("..", false));
    EXPECT_FALSE(IsUsableName("", false));
    EXPECT_FALSE(IsUsableName("a/b", false));
    EXPECT_FALSE(IsUsableName(std::string("a\0b", 3), true));
    EXPECT_EQ(PrintableName(std::string("a\0b\n", 4)), "a\\x00b\\n");
}

TEST(SyncPaths, FittedNamesStayWithinTheLongestNameAndSplitNoCharacter) {
    const std::string e = "\xC3\xA9";  // two bytes in UTF-8
    std::string wide;
    for (int i = 0; i < 127; ++i) wide += e;  // 254 bytes
    const struct {
        std::string head, name, fitted;
    } cases[] = {
        {"tmp_", "report.txt", "tmp_report.txt"},
        {"tmp_", std::string(251, 'n'), "tmp_" + std::string(251, 'n')},  // exactly 255
        {"tmp_", std::string(255, 'n'), "tmp_" + std::string(251, 'n')},
        {"tmp_12_", std::string(255, 'n'), "tmp_12_" + std::string(248, 'n')},
        {"tmp_", wide, "tmp_" + wide.substr(0, 250)},  // 251 bytes would split a character
        {"tmp__", wide, "tmp__" + wide.substr(0, 250)},
        {std::string(255, 'p'), "name", std::string(255, 'p')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FittedName(c.head, c.name), c.fitted) << c.head.size() << "+" << c.name.size();
        EXPECT_LE(FittedName(c.head, c.name).size(), 255u);
    }
}

}  // namespace
