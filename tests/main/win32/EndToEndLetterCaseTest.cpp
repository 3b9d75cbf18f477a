// The built program between two folders of a file system that ignores letter
// case: destination names take the case of their source names, and patterns
// select names whatever their case.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;

class EndToEndLetterCase : public testing::Test {
protected:
    TempFolder Root;
    std::string Src = Root / "src";
    std::string Dst = Root / "dst";
    std::string Log = Root / "run.log";
};

TEST_F(EndToEndLetterCase, DestinationNamesAreRenamedToTheSourceCase) {
    MakeFile(Src + "/readme.txt", "same");
    MakeFile(Src + "/Docs/Guide.txt", "guide");
    MakeFile(Dst + "/README.TXT", "same");
    MakeFile(Dst + "/docs/GUIDE.TXT", "guide");
    SetModified(Src + "/readme.txt", 1700000000);
    SetModified(Dst + "/README.TXT", 1700000000);
    SetModified(Src + "/Docs/Guide.txt", 1700000000);
    SetModified(Dst + "/docs/GUIDE.TXT", 1700000000);

    RunResult result = RunVelCopy({Src, Dst, "/S", "/delete", "+*.TXT"}, Log);
    EXPECT_THAT(TreeOf(Dst), ElementsAre("Docs", "Docs/Guide.txt", "readme.txt"));
    EXPECT_TRUE(HasLine(result, "Renaming README.TXT"));
    EXPECT_TRUE(HasLine(result, "Renaming to readme.txt"));
    EXPECT_EQ(CountLinesStartingWith(result, "Copying file"), 0);
    EXPECT_EQ(CountLinesStartingWith(result, "Deleting"), 0);
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

TEST_F(EndToEndLetterCase, APatternInCapitalsSelectsALowerCaseName) {
    MakeFile(Src + "/readme.txt", "text");
    MakeFile(Src + "/photo.jpg", "jpeg");
    std::filesystem::create_directories(Dst);
    RunResult result = RunVelCopy({Src, Dst, "+*.TXT"}, Log);
    EXPECT_THAT(TreeOf(Dst), ElementsAre("readme.txt"));
    EXPECT_TRUE(HasLine(result, "Copying file readme.txt"));
}

TEST_F(EndToEndLetterCase, ANameThatDiffersInCaseOnlyIsTheSameFile) {
    MakeFile(Src + "/Report.txt", "new");
    MakeFile(Dst + "/REPORT.TXT", "old and longer");
    RunResult result = RunVelCopy({Src, Dst, "/delete"}, Log);
    EXPECT_EQ(ReadTextFile(Dst + "/report.txt"), "new");
    EXPECT_EQ(CountLinesStartingWith(result, "Deleting"), 0);
    EXPECT_EQ(TreeOf(Dst).size(), 1u);
}

}  // namespace
