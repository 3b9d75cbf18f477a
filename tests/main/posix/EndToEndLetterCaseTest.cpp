// The built program between two folders of a file system that tells names apart
// by letter case, where "\" is an ordinary character of a name.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;

TEST(EndToEndLetterCase, LetterCaseTellsFilesApartAndABackslashIsAnOrdinaryCharacter) {
    TempFolder root;
    const std::string Src = root / "src", Dst = root / "dst";
    MakeFile(Src + "/README", "upper");
    MakeFile(Src + "/readme", "lower");
    MakeFile(Src + "/back\\slash.txt", "slash");
    MakeFile(Dst + "/Readme", "other");
    RunVelCopy({Src, Dst, "/delete"}, root / "run.log");
    EXPECT_THAT(TreeOf(Dst), ElementsAre("README", "back\\slash.txt", "readme"));
    EXPECT_EQ(ReadTextFile(Dst + "/README"), "upper");
    EXPECT_EQ(ReadTextFile(Dst + "/readme"), "lower");
}

}  // namespace
