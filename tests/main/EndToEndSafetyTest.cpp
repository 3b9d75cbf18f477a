// The mirror's safety on real trees: nothing outside the destination is
// touched, nothing unseen is deleted, and the destination takes the source's
// shape in one run. (posix/EndToEndSafetyOnPosixTest.cpp has the cases that
// need links, special files or permission bits.)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using EndToEndSafety = TwoTrees;

// Changes the working directory for the life of the object.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : Old(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(Old); }

private:
    std::filesystem::path Old;
};

TEST_F(EndToEndSafety, TempPrefixThatCouldNameAnotherFolderIsRefused) {
    MakeFile(Src + "/a.txt", "new");
    MakeFile(Dst + "/a.txt", "old");
    SetModified(Dst + "/a.txt", 1600000000);
    const std::vector<std::string> refused = {"../../x", "sub/x", "..",
                                              "a..b",    "x\\y",  std::string(101, 'p')};
    for (const std::string& prefix : refused) {
        SCOPED_TRACE(prefix);
        RunResult result = Run({"/T:" + prefix});
        EXPECT_THAT(result.Console, HasSubstr("Invalid /T prefix \"" + prefix + "\": "));
        EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "old");
        EXPECT_THAT(TreeOf(Root.Path), ElementsAre("dst", "dst/a.txt", "src", "src/a.txt"));
        EXPECT_FALSE(std::filesystem::exists(Root / "../x_a.txt"));
    }
    RunResult plain = Run({"/T:x.y"});
    EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "new");
}

TEST_F(EndToEndSafety, OnlyAnFtpSchemeMakesAnFtpLocation) {
    MakeFile(Root / "ftpdata/a.txt", "a");
    InFolder here(Root.Path);
    RunResult result = RunVelCopy({"ftpdata/", "ftpcopy/", "/S", "/M"}, Log);
    EXPECT_EQ(ReadTextFile(Root / "ftpcopy/a.txt"), "a");
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

TEST_F(EndToEndSafety, ALogThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    MakeFile(Src + "/a.txt", "a");
    const std::string missing = Root / "missing/run.log";
    BinaryOutcome outcome = RunBinary({Src, Dst, "/L:" + missing});
    EXPECT_EQ(outcome.ExitCode, 0);
    // The system's text for the reason comes between the two.
    EXPECT_THAT(outcome.Output,
                HasSubstr("\r!! Warning: Cannot create the log file \"" + missing + "\": "));
    EXPECT_THAT(outcome.Output, HasSubstr(". The run goes on without it.\r\n"));
    EXPECT_EQ(ReadTextFile(Dst + "/a.txt"), "a");
}

// The run's log and error log inside the destination are neither deleted by
// /delete nor replaced by a source file of the same name while they are written.
TEST_F(EndToEndSafety, TheRunsOwnLogsAreNeverDeletedOrReplaced) {
    MakeFile(Src + "/a.txt", "a");
    MakeFile(Src + "/run.log", "the source's own log");
    MakeFile(Dst + "/logs/old.txt", "obsolete");
    RunResult result = RunVelCopy({Src, Dst, "/S", "/delete", "/E:" + Dst + "/logs/errors.log"},
                                  Dst + "/run.log");
    EXPECT_THAT(result.Console, HasSubstr("run.log is a log file of this run. It is not replaced"));
    EXPECT_EQ(TreeOf(Dst),
              (std::vector<std::string>{"a.txt", "logs", "logs/errors.log", "run.log"}));
    EXPECT_THAT(ReadTextFile(Dst + "/logs/errors.log"), HasSubstr("is a log file of this run"));
}

TEST_F(EndToEndSafety, AFileGivesWayToTheFolderTheSourceNowHas) {
    MakeFile(Src + "/x/a.txt", "a");
    MakeFile(Src + "/x/deeper/b.txt", "b");
    MakeFile(Dst + "/x", "was a file");
    RunResult result = Run({"/S"});  // without /C a failed copy would stop the run
    EXPECT_EQ(TreeOf(Dst), TreeOf(Src));
    EXPECT_EQ(ReadTextFile(Dst + "/x/deeper/b.txt"), "b");
    EXPECT_TRUE(HasLine(result, "Deleting file " + NativePath(Dst + "/x")));
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

TEST_F(EndToEndSafety, AFolderGivesWayToAnEmptyFileWhateverTheTimes) {
    for (const std::string switches : {"", "/N"}) {
        SCOPED_TRACE(switches);
        MakeFile(Src + "/e", "");
        MakeFile(Dst + "/e/inner.txt", "inner");
        SetModified(Src + "/e", 1600000000);  // older than the folder
        RunResult result =
            Run(switches.empty() ? std::vector<std::string>{} : std::vector<std::string>{switches});
        ASSERT_TRUE(std::filesystem::is_regular_file(Dst + "/e"));
        EXPECT_EQ(ReadTextFile(Dst + "/e"), "");
        EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
        std::filesystem::remove(Dst + "/e");
    }
}

TEST_F(EndToEndSafety, WithATempPrefixAFolderInTheWayGivesWayAndTheCopyCompletes) {
    MakeFile(Src + "/f", "content");
    MakeFile(Dst + "/f/inner.txt", "inner");
    RunResult result = Run({"/T:tmp"});
    EXPECT_THAT(TreeOf(Dst), ElementsAre("f"));
    EXPECT_EQ(ReadTextFile(Dst + "/f"), "content");
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
}

// Whichever root lies inside the other is left out of the walk on the side that
// holds it, however the locations are written; the same folder twice is refused.
TEST_F(EndToEndSafety, SourceAndDestinationThatOverlapNeverReachIntoEachOther) {
    const std::string data = Root / "data";
    auto makeData = [&] {
        std::filesystem::remove_all(data);
        MakeFile(data + "/a.txt", "a");
        MakeFile(data + "/in/b.txt", "b");
        MakeFile(data + "/in/c.skip", "left out of the copy");
        std::filesystem::create_directories(data + "/backup");
    };
    auto said = [](const RunResult& result, const std::string& line) {
        return HasLine(result, NativePath(line));
    };

    makeData();  // the destination inside the source once filled the disk
    RunResult inside = RunVelCopy({data + "/", data + "/backup/", "/S", "/delete"}, Log);
    EXPECT_TRUE(said(inside, "!! Warning: The destination " + data +
                                 "/backup lies inside the source, at " + data +
                                 "/backup. It is left out of the copy"));
    EXPECT_THAT(TreeOf(data + "/backup"), ElementsAre("a.txt", "in", "in/b.txt", "in/c.skip"));

    makeData();  // the same, reached through ".."
    RunResult dotted = RunVelCopy({data + "/in/..", data + "/backup", "/S", "/delete"}, Log);
    EXPECT_TRUE(said(dotted, "!! Warning: The destination " + data +
                                 "/backup lies inside the source, at " + data +
                                 "/in/../backup. It is left out of the copy"));
    EXPECT_THAT(TreeOf(data + "/backup"), ElementsAre("a.txt", "in", "in/b.txt", "in/c.skip"));

    makeData();  // the source inside the destination once was deleted with /delete
    RunResult holding = RunVelCopy({data + "/in/", data + "/", "/S", "/delete", "-*.skip"}, Log);
    EXPECT_TRUE(said(holding, "!! Warning: The source " + data +
                                  "/in lies inside the destination, at " + data +
                                  "/in. It is left out: not compared and not deleted"));
    EXPECT_THAT(TreeOf(data + "/in"), ElementsAre("b.txt", "c.skip"));
    EXPECT_EQ(ReadTextFile(data + "/b.txt"), "b");

    makeData();
    RunResult same = RunVelCopy({data, data + "/in/../", "/S", "/delete", "-*.skip"}, Log);
    // The two locations as they were given.
    EXPECT_TRUE(HasLine(same, "!! Error: Source " + data + " and destination " + data +
                                  "/in/../ are the same folder. Nothing is copied or deleted"));
    EXPECT_THAT(TreeOf(data), ElementsAre("a.txt", "backup", "in", "in/b.txt", "in/c.skip"));
    for (const RunResult* result : {&inside, &dotted, &holding})
        EXPECT_EQ(CountLinesStartingWith(*result, "!! "), 1);
}

}  // namespace
