// Nothing is left half-written at the destination: what a killed run left
// beside the files it was copying is removed by the next run, and nothing else
// is.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;

using EndToEndHalfWritten = TwoTrees;

TEST_F(EndToEndHalfWritten, ALeftoverTemporaryFileIsRemovedByTheNextRunAndNothingElseIs) {
    MakeFile(Src + "/a.txt", "a");
    MakeFile(Src + "/sub/.velcopy-Mirror", "a file of the source's");
    const std::vector<std::string> notLeftovers = {".velcopy-abc12",  ".velcopy-abc1234",
                                                   ".velcopy-abc12!", "x.velcopy-abc123",
                                                   "velcopy-abc123",  ".VELCOPY-abc123"};
    for (const std::string& name : notLeftovers) MakeFile(Dst + "/sub/" + name, "keep");
    MakeFile(Dst + "/.velcopy-Ab12Cd", "half");
    MakeFile(Dst + "/sub/.velcopy-000000", "half");
    MakeReadOnly(Dst + "/sub/.velcopy-000000");  // as its source was
    RunResult result = Run({"/S"});
    EXPECT_TRUE(HasLine(result, "Deleting file " + NativePath(Dst + "/.velcopy-Ab12Cd")));
    EXPECT_TRUE(HasLine(result, "Deleting file " + NativePath(Dst + "/sub/.velcopy-000000")));
    EXPECT_FALSE(std::filesystem::exists(Dst + "/.velcopy-Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(Dst + "/sub/.velcopy-000000"));
    for (const std::string& name : notLeftovers)
        EXPECT_TRUE(std::filesystem::exists(Dst + "/sub/" + name)) << name;
    EXPECT_EQ(ReadTextFile(Dst + "/sub/.velcopy-Mirror"), "a file of the source's");
    EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "a");
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

}  // namespace
