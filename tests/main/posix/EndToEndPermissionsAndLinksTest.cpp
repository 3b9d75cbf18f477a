// Regression tests, on real folders, for faults mended in the engine that need
// POSIX permission bits or symbolic links: a source folder that cannot be
// listed, links followed while deleting, and a folder link that loops.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;

class EndToEndPermissionsAndLinks : public testing::Test {
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

TEST_F(EndToEndPermissionsAndLinks, FailedSourceListingIsNotAnEmptyFolder) {
    MakeFile(Src + "/locked/a.txt", "a");
    MakeFile(Src + "/z.txt", "z");
    MakeFile(Dst + "/locked/a.txt", "a");
    MakeFile(Dst + "/locked/b.txt", "b");
    MakeFile(Dst + "/gone.txt", "old");
    // Root reads every folder, so the run is made as an unprivileged user.
    const bool asNobody = geteuid() == 0;
    if (asNobody) {
        ChownTree(Root.Path, NobodyId);
    }
    chmod((Src + "/locked").c_str(), 0);

    RunResult stopped = RunVelCopy({Src, Dst, "/S", "/delete"}, Log, asNobody);
    EXPECT_TRUE(HasLine(stopped, "!! Error: Failed to list folder " + Src +
                                     "/locked. Access is denied. (5). Stopping"));
    EXPECT_TRUE(std::filesystem::exists(Dst + "/locked/b.txt"));
    EXPECT_TRUE(std::filesystem::exists(Dst + "/gone.txt"));

    RunResult continued = RunVelCopy({Src, Dst, "/S", "/delete", "/C", "/I"}, Log, asNobody);
    EXPECT_TRUE(HasLine(continued, "!! Warning: Failed to list folder " + Src +
                                       "/locked. Access is denied. Continuing"));
    EXPECT_TRUE(std::filesystem::exists(Dst + "/locked/a.txt"));
    EXPECT_TRUE(std::filesystem::exists(Dst + "/locked/b.txt"));
    EXPECT_FALSE(std::filesystem::exists(Dst + "/gone.txt"));
    EXPECT_TRUE(std::filesystem::exists(Dst + "/z.txt"));
    chmod((Src + "/locked").c_str(), 0700);
}

TEST_F(EndToEndPermissionsAndLinks, DeletingATreeNeverFollowsALink) {
    MakeFile(Root / "outside/precious.txt", "precious");
    MakeFile(Root / "outside/deeper/more.txt", "more");
    MakeFile(Dst + "/old/a.txt", "a");
    std::filesystem::create_directory_symlink(Root / "outside", Dst + "/link");
    std::filesystem::create_directory_symlink(Root / "outside", Dst + "/old/inner-link");
    RunResult result = RunVelCopy({Src, Dst, "/S", "/delete"}, Log);
    EXPECT_THAT(TreeOf(Dst), ElementsAre());
    EXPECT_EQ(ReadTextFile(Root / "outside/precious.txt"), "precious");
    EXPECT_EQ(ReadTextFile(Root / "outside/deeper/more.txt"), "more");
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

TEST_F(EndToEndPermissionsAndLinks, AFolderLinkToAnAncestorIsNotEntered) {
    MakeFile(Src + "/sub/a.txt", "a");
    std::filesystem::create_directory_symlink("..", Src + "/sub/loop");
    MakeFile(Dst + "/sub/loop/keep.txt", "keep");
    RunResult result = RunVelCopy({Src, Dst, "/S", "/delete"}, Log);
    EXPECT_TRUE(HasLine(result, "!! Warning: Folder " + Src +
                                    "/sub/loop is a link to one of its own ancestors. Not "
                                    "descending into it"));
    EXPECT_EQ(ReadTextFile(Dst + "/sub/loop/keep.txt"), "keep");
    EXPECT_EQ(ReadTextFile(Dst + "/sub/a.txt"), "a");
    EXPECT_EQ(result.ExitCode, 0);
}

}  // namespace
