// Regression tests, on real folders, for the faults mended in the engine: an
// ignore spec that did not protect its file. (Faults that need permission bits
// or symbolic links are tested in posix/.)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;

class EndToEndFaults : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Src);
        std::filesystem::create_directories(Dst);
    }

    TempFolder Root;
    std::string Src = Root / "src";
    std::string Dst = Root / "dst";
    std::string Log = Root / "run.log";
};

TEST_F(EndToEndFaults, IgnoreSpecWithARelativePathProtectsAFileOfAnObsoleteFolder) {
    MakeFile(Dst + "/old/keep.log", "keep");
    MakeFile(Dst + "/old/other.txt", "other");
    RunVelCopy({Src, Dst, "/S", "/delete", "#" + NativePath("/old/keep.log")}, Log);
    EXPECT_THAT(TreeOf(Dst), ElementsAre("old", "old/keep.log"));
}

}  // namespace
