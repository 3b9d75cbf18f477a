// The built program mirroring real trees: copies, folder creation, pruning,
// reruns, /Sim, drift, read-only targets, /T, missing roots and the run driver's
// connection failures.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::SetModified;
using ::testing::ElementsAre;

class EndToEndMirror : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Src);
        std::filesystem::create_directories(Dst);
    }
    RunResult Run(std::vector<std::string> switches) {
        std::vector<std::string> arguments = {Src, Dst};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        return RunVelCopy(arguments, Log);
    }

    TempFolder Root;
    std::string Src = Root / "src";
    std::string Dst = Root / "dst";
    std::string Log = Root / "run.log";
};

TEST_F(EndToEndMirror, MirrorsAndPrunesATreeAndARerunChangesNothing) {
    MakeFile(Src + "/a.txt", "alpha");
    MakeFile(Src + "/sub/deeper/b.bin", std::string(70000, 'b'));
    MakeFile(Src + "/sub/c.txt", "gamma");
    MakeFile(Dst + "/gone.txt", "old");
    MakeFile(Dst + "/old/inner/x.txt", "old");
    SetModified(Src + "/a.txt", 1700000000);

    RunResult first = Run({"/S", "/delete"});
    EXPECT_EQ(first.ExitCode, 0);
    EXPECT_EQ(TreeOf(Dst), TreeOf(Src));
    EXPECT_EQ(ReadTextFile(Dst + "/sub/deeper/b.bin"), std::string(70000, 'b'));
    EXPECT_EQ(ModifiedOf(Dst + "/a.txt").tv_sec, 1700000000);
    EXPECT_TRUE(HasLine(first, "Deleting folder " + NativePath(Dst + "/old")));
    EXPECT_TRUE(HasLine(first, "Copying file b.bin"));

    RunResult again = Run({"/S", "/delete"});
    EXPECT_EQ(CountLinesStartingWith(again, "Copying file"), 0);
    EXPECT_EQ(CountLinesStartingWith(again, "Deleting"), 0);
    EXPECT_EQ(CountLinesStartingWith(again, "File "), 3);  // each "does not need copying"
}

TEST_F(EndToEndMirror, TheReadmeRunCommandWithTrailingSeparators) {
    MakeFile(Src + "/photo.jpg", "jpeg");
    MakeFile(Src + "/2024/trip.jpg", "jpeg");
    RunResult result = RunVelCopy({Src + "/", Dst + "/", "/S"}, Log);
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(TreeOf(Dst), TreeOf(Src));
    EXPECT_TRUE(HasLine(result, "Scanning source folder: " + Src));
}

TEST_F(EndToEndMirror, WithoutRecurseOnlyTheTopFolderIsCopied) {
    MakeFile(Src + "/a.txt", "alpha");
    MakeFile(Src + "/sub/b.txt", "beta");
    MakeFile(Dst + "/old/x.txt", "old");
    RunResult result = Run({"/delete"});
    EXPECT_THAT(TreeOf(Dst), ElementsAre("a.txt", "old", "old/x.txt"));
    EXPECT_TRUE(HasLine(result, "Ignoring folder " + NativePath("/old")));
}

TEST_F(EndToEndMirror, SimulateReportsButChangesNothing) {
    MakeFile(Src + "/a.txt", "alpha");
    MakeFile(Src + "/new/b.txt", "beta");
    MakeFile(Dst + "/gone.txt", "old");
    RunResult result = Run({"/S", "/delete", "/Sim"});
    EXPECT_THAT(TreeOf(Dst), ElementsAre("gone.txt"));
    EXPECT_TRUE(HasLine(result, "Copying file a.txt"));
    EXPECT_TRUE(HasLine(result, "Creating folder " + NativePath(Dst + "/new")));
    EXPECT_TRUE(HasLine(result, NativePath(Dst + "/gone.txt")));
}

TEST_F(EndToEndMirror, TwoSecondsOfDriftWithTheDriftSwitches) {
    MakeFile(Src + "/a.txt", "same");
    MakeFile(Dst + "/a.txt", "same");
    SetModified(Src + "/a.txt", 1700000002);
    SetModified(Dst + "/a.txt", 1700000000);
    EXPECT_EQ(CountLinesStartingWith(Run({"/N", "/2"}), "Copying file"), 0);
    EXPECT_EQ(CountLinesStartingWith(Run({"/N", "/1"}), "Copying file"), 1);
}

TEST_F(EndToEndMirror, ReadOnlyDestinationFileWithoutAndWithOverwrite) {
    MakeFile(Src + "/a.txt", "new content");
    MakeFile(Dst + "/a.txt", "old");
    SetModified(Dst + "/a.txt", 1600000000);
    MakeReadOnly(Dst + "/a.txt");
    RunResult refused = Run({});
    EXPECT_TRUE(HasLine(refused, "!! Error: Failed to copy file " + NativePath(Src + "/a.txt") +
                                     ". The destination file " + NativePath(Dst + "/a.txt") +
                                     " is read-only; /R overwrites it. (19). Stopping"));
    EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "old");
    Run({"/R"});
    EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "new content");
}

TEST_F(EndToEndMirror, TempPrefixReplacesThroughAFreeTemporaryName) {
    MakeFile(Src + "/report.txt", "new report");
    MakeFile(Dst + "/report.txt", "old");
    MakeFile(Dst + "/tmp_report.txt", "someone else's");
    MakeFile(Dst + "/tmp_1_report.txt", "someone else's");
    SetModified(Dst + "/report.txt", 1600000000);
    Run({"/T:tmp"});
    EXPECT_EQ(ReadTextFile(Dst + "/report.txt"), "new report");
    EXPECT_THAT(TreeOf(Dst), ElementsAre("report.txt", "tmp_1_report.txt", "tmp_report.txt"));
}

TEST_F(EndToEndMirror, MissingRoots) {
    RunResult noSource = RunVelCopy({Root / "nowhere", Dst}, Log);
    EXPECT_TRUE(
        HasLine(noSource, "!! Error: Source directory " + (Root / "nowhere") + " does not exist"));
    RunResult noDestination = RunVelCopy({Src, Root / "new"}, Log);
    EXPECT_TRUE(HasLine(noDestination,
                        "!! Error: Destination directory " + (Root / "new") + " does not exist"));
    MakeFile(Src + "/a.txt", "alpha");
    RunResult made = RunVelCopy({Src, Root / "new", "/M"}, Log);
    EXPECT_TRUE(HasLine(made, "Creating folder " + (Root / "new")));
    EXPECT_EQ(ReadTextFile(Root / "new/a.txt"), "alpha");
}

TEST_F(EndToEndMirror, SourceAndDestinationThatCannotBeConnected) {
    const std::string sourceShare = NativePath("//nosuchserver/share/x");
    RunResult source = RunVelCopy({sourceShare, Dst}, Log);
    EXPECT_EQ(source.ExitCode, 0);
    EXPECT_TRUE(HasLine(source, "!! Error: Failed to connect to source " + sourceShare + "."));
    EXPECT_EQ(CountLinesStartingWith(source, "!! Error: Failed to connect to destination"), 0);

    const std::string destinationShare = NativePath("//nosuchserver/share/y");
    RunResult destination = RunVelCopy({Src, destinationShare}, Log);
    EXPECT_TRUE(HasLine(destination,
                        "!! Error: Failed to connect to destination " + destinationShare + "."));
    EXPECT_EQ(CountLinesStartingWith(destination, "Scanning"), 0);
}

TEST_F(EndToEndMirror, FTPInCapitalsIsADiskPath) {
    RunResult capitals = RunVelCopy({Src, "FTP://localhost/dir"}, Log);
    EXPECT_TRUE(HasLine(capitals,
                        "!! Error: Destination directory FTP://localhost/dir does not "
                        "exist"));
}

TEST_F(EndToEndMirror, ExcludeAndIgnoreSpecsWithDelete) {
    MakeFile(Src + "/a.txt", "a");
    MakeFile(Src + "/b.bak", "b");
    MakeFile(Src + "/cache/c.txt", "c");
    MakeFile(Dst + "/b.bak", "b");
    MakeFile(Dst + "/cache/c.txt", "c");
    MakeFile(Dst + "/keep.log", "log");
    RunResult result = Run({"/S", "/delete", "-*.bak", "-" + NativePath("/cache/"), "#*.log"});
    EXPECT_THAT(TreeOf(Dst), ElementsAre("a.txt", "keep.log"));
    EXPECT_EQ(result.ExitCode, 0);
}

}  // namespace
