#include <gmock/gmock.h>

#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "tests/main/ProgramBodyFixture.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string Progress = "\rDirectories: 0/0  Files: 0/1";
std::string Wipe(size_t longer, size_t shorter) {
    return std::string(longer - shorter, ' ') + std::string(longer - shorter, '\b');
}

bool Shows(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

TEST_F(ProgramBodyTest, ConsoleLevels) {
    struct {
        StringList switches;
        bool progress, details, actions;
    } cases[] = {
        {{}, true, false, false},
        {{"/V2"}, true, true, true},
        {{"/V1"}, true, false, true},
        {{"/V0"}, false, false, false},
        {{"/V:E"}, true, false, true},
        {{"/v:explain"}, true, false, true},
        {{"/V0", "/V:E"}, false, false, true},
        {{"/V2", "/V1"}, true, true, true},
        {{"/V0", "/V1"}, true, false, true},  // /V1 is found first; /V0 only unsuppresses actions
    };
    for (auto& c : cases) {
        console.Text.clear();
        run = RunRecord();
        StringList arguments = {"a", "b"};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        std::string text = ProbeConsole(arguments);
        SCOPED_TRACE(testing::PrintToString(c.switches) + " shows " + text);
        EXPECT_EQ(Shows(text, "Directories:"), c.progress);
        EXPECT_EQ(Shows(text, "\rScanning source folder: detail"), c.details);
        EXPECT_EQ(Shows(text, "\rCopying file action"), c.actions);
        EXPECT_TRUE(Shows(text, "\r!! Warning: warn"));
    }
}

TEST_F(ProgramBodyTest, DefaultConsoleBytes) {
    std::string text = ProbeConsole({"a", "b"});
    // Progress, progress again for the warning, the warning over it, and
    // Finish with nothing pending.
    EXPECT_EQ(text, Progress + Progress + "\r!! Warning: warn" + Wipe(28, 16) + "\r\n");
}

class LoggedRunTest : public ProgramBodyTest {
protected:
    TempFolder folder;
    std::string runLog = (folder / "run.log");
    std::string errorLog = (folder / "err.log");
};

TEST_F(LoggedRunTest, SilentConsoleWhileTheLogGetsEverything) {
    WriteTextFile(runLog, "previous run\r\n");
    std::string text = ProbeConsole({"a", "b", "/V0", "/L:" + runLog});
    EXPECT_EQ(text, "\r!! Warning: warn\r\n");
    EXPECT_EQ(ReadTextFile(runLog),
              "Scanning source folder: detail\r\nCopying file action\r\n!! Warning: warn\r\n");
}

TEST_F(LoggedRunTest, ErrorLogFirstThenLogThenConsole) {
    WriteTextFile(errorLog, "older\r\n");
    std::vector<std::string> seen;
    during = [&](VelSyncBaseOutput& output) {
        SyncStatistics stats;
        output.Report(stats, mcCopyFile, "/a");
        output.Report(stats, mcError, "Stopping");
        // At the first error, the error log has it already and the log file too.
        seen.push_back(ReadTextFile(errorLog));
        output.Finish(stats);
    };
    ASSERT_EQ(Run({"a", "b", "/L:" + runLog, "/E:" + errorLog}), 0);
    EXPECT_EQ(ReadTextFile(runLog), "Copying file /a\r\n!! Error: Stopping\r\n");
    std::string errors = ReadTextFile(errorLog);
    EXPECT_EQ(errors.rfind("older\r\n", 0), 0u);
    EXPECT_TRUE(errors.size() > 7 && errors.find("!! Error: Stopping\r\n") == errors.size() - 20);
    EXPECT_EQ(errors.find("Copying"), std::string::npos);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(Shows(seen[0], "!! Error: Stopping\r\n"));
    EXPECT_EQ(console.Text.find("Copying"), std::string::npos);
    EXPECT_TRUE(Shows(console.Text, "\r!! Error: Stopping"));
}

TEST_F(LoggedRunTest, RunWithoutWarningsLeavesTheErrorLogAlone) {
    WriteTextFile(errorLog, "keep\r\n");
    const std::string missing = (folder / "never.log");
    during = [](VelSyncBaseOutput& output) {
        SyncStatistics stats;
        output.Report(stats, mcCopyFile, "/a");
        output.Report(stats, mcScanFolder, "");
        output.Finish(stats);
    };
    ASSERT_EQ(Run({"a", "b", "/E:" + errorLog}), 0);
    EXPECT_EQ(ReadTextFile(errorLog), "keep\r\n");
    run = RunRecord();
    ASSERT_EQ(Run({"a", "b", "/E:" + missing}), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(LoggedRunTest, UsageRunCreatesNoLogs) {
    ASSERT_EQ(Run({"a", "b", "c", "/L:" + runLog, "/E:" + errorLog}), 0);
    EXPECT_FALSE(run.Ran);
    EXPECT_FALSE(std::filesystem::exists(runLog));
    EXPECT_FALSE(std::filesystem::exists(errorLog));
}

TEST_F(LoggedRunTest, ErrorLogThatCannotBeWrittenEndsWithExitCodeOne) {
    const std::string bad = (folder / "missing/err.log");
    bool after = false;
    during = [&](VelSyncBaseOutput& output) {
        SyncStatistics stats;
        output.Report(stats, mcCopyFile, "/a");  // the error log never sees actions
        output.Report(stats, mcWarning, "w");
        after = true;
    };
    EXPECT_EQ(Run({"a", "b", "/E:" + bad, "/L:" + runLog}), 1);
    EXPECT_FALSE(after);
    const std::string line = "VelCopy: cannot append to or create the log file \"" + bad + "\": ";
    ASSERT_TRUE(Shows(console.Text, line)) << console.Text;
    // The message the error log could not take is still shown and logged first.
    EXPECT_LT(console.Text.find("\r!! Warning: w"), console.Text.find(line));
    EXPECT_EQ(console.Text.substr(console.Text.size() - 2), "\r\n");
    EXPECT_EQ(ReadTextFile(runLog), "Copying file /a\r\n!! Warning: w\r\n");  // closed and kept
}

TEST_F(LoggedRunTest, PlainLogThatCannotBeCreatedIsReportedOnceAsTheRunStarts) {
    const std::string missing = folder / "missing/run.log";
    during = [](VelSyncBaseOutput& output) { output.Message(mcError, "e"); };
    EXPECT_EQ(Run({"a", "b", "/L:" + missing, "/E:" + errorLog}), 0);
    // The reason is the system's, as creating the file gives it (2 on POSIX, 3 on
    // Windows).
    platform::TextFile attempt;
    ASSERT_FALSE(attempt.Create(missing));
    const std::string reason = platform::SystemErrorText(platform::GetLastErrorCode());
    const std::string warning = "!! Warning: Cannot create the log file \"" + missing +
                                "\": " + reason + " The run goes on without it.";
    EXPECT_EQ(run.ConsoleBefore, "\r" + warning + "\r\n");
    EXPECT_EQ(console.Text, "\r" + warning + "\r\n\r!! Error: e\r\n");
    EXPECT_THAT(ReadTextFile(errorLog), testing::HasSubstr(warning));
}

TEST_F(LoggedRunTest, LogPathsKeepTheirColons) {
    during = [](VelSyncBaseOutput& output) { output.Message(mcInformation, "i"); };
    // On Windows the colon kept is the drive letter's of the folder's path.
    const bool posix = platform::PathSeparator == '/';
    const std::string odd = folder / (posix ? "a:b.log" : "ab.log");
    ASSERT_EQ(Run({"a", "b", "/l:" + odd}), 0);
    EXPECT_EQ(ReadTextFile(odd), "i\r\n");
}

}  // namespace
