#include "sync/SyncPaths.h"

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

namespace {

const bool Posix = platform::PathSeparator == '/';

// Written with "/", compared in the platform's separator.
TEST(SyncPaths, RootsLoseOneTrailingSeparator) {
    const struct {
        const char* Location;
        const char* Root;
    } cases[] = {
        {"/data", "/data"},
        {"/data/", "/data"},
        {"/data//", "/data/"},
        {"/", "/"},
        {"relative", "relative"},
        {"ftp://host/dir/", "ftp://host/dir"},
        {"//server/share/", "//server/share"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseRoot(NativePath(c.Location)), NativePath(c.Root)) << c.Location;
}

TEST(SyncPaths, SlashesBecomeBackslashesOnWindowsAndBackslashesStayOnPosix) {
    if (Posix) {
        EXPECT_EQ(NormaliseRoot("a\\b\\"), "a\\b\\");
        EXPECT_EQ(NormaliseRoot("/data/"), "/data");
    } else {
        EXPECT_EQ(NormaliseRoot("C:/data/"), "C:\\data");
        EXPECT_EQ(NormaliseRoot("a\\b/"), "a\\b");
        EXPECT_EQ(NormaliseRoot("//server/share/dir"), "\\\\server\\share\\dir");
    }
}

TEST(SyncPaths, FolderPathsDoNotDoubleTheSeparatorAfterTheFileSystemRoot) {
    EXPECT_EQ(FolderPath(NativePath("/data"), ""), NativePath("/data"));
    EXPECT_EQ(FolderPath(NativePath("/data"), NativePath("/sub")), NativePath("/data/sub"));
    EXPECT_EQ(FolderPath(NativePath("/"), NativePath("/sub")), NativePath("/sub"));
    EXPECT_EQ(ChildPath("", "a.txt"), NativePath("/a.txt"));
    EXPECT_EQ(ChildPath(NativePath("/sub"), "a.txt"), NativePath("/sub/a.txt"));
}

TEST(SyncPaths, UsableNamesAreOnePathComponent) {
    EXPECT_TRUE(IsUsableName("a.txt", false));
    // An ordinary character on POSIX, a separator on Windows.
    EXPECT_EQ(IsUsableName("back\\slash", false), Posix);
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
