#include <gtest/gtest.h>

#include "output/ConsoleOutput.h"

namespace {

std::string Blanks(size_t n) {
    return std::string(n, ' ');
}
std::string Backspaces(size_t n) {
    return std::string(n, '\b');
}

class ConsoleOutputTest : public ::testing::Test {
protected:
    platform::CapturingConsole console;
    SyncStatistics stats;
};

TEST_F(ConsoleOutputTest, MessageWipesTheRestOfALongerSummary) {
    VelSyncConsoleOutput output(console);
    const std::string summary(30, 's');
    output.WriteLine(summary, false);
    console.Text.clear();
    output.Message(mcInformation, "twelve chars");
    EXPECT_EQ(console.Text, "\rtwelve chars" + Blanks(18) + Backspaces(18) + "\r\n");
    EXPECT_EQ(output.PendingLength, 0);
}

TEST_F(ConsoleOutputTest, ShorterSummaryOverwritesTheLongerOne) {
    VelSyncConsoleOutput output(console);
    output.WriteLine("0123456789", false);
    output.WriteLine("abc", false);
    EXPECT_EQ(console.Text, "\r0123456789\rabc" + Blanks(7) + Backspaces(7));
    EXPECT_EQ(output.PendingLength, 3);
    console.Text.clear();
    output.WriteLine("abcdef", false);  // longer: nothing to wipe
    EXPECT_EQ(console.Text, "\rabcdef");
    EXPECT_EQ(output.PendingLength, 6);
}

TEST_F(ConsoleOutputTest, MessageWithNothingPending) {
    VelSyncConsoleOutput output(console);
    output.Message(mcCopyFile, "/a.txt");
    EXPECT_EQ(console.Text, "\rCopying file /a.txt\r\n");
}

TEST_F(ConsoleOutputTest, PrefixesOfWarningsAndErrors) {
    VelSyncConsoleOutput output(console);
    output.Message(mcWarning, "Timedout - Retrying");
    output.Message(mcError, "Failed");
    output.Message(mcDebug, "x");
    EXPECT_EQ(
        console.Text,
        "\r!! Warning: Timedout - Retrying\r\n\r!! Error: Failed\r\n\r!! Error: Debug: x\r\n");
}

TEST_F(ConsoleOutputTest, SummaryText) {
    stats.FoldersFound = 12;
    stats.FoldersDone = 3;
    stats.FoldersDeleted = 1;
    stats.FilesDone = 40;
    stats.FilesFound = 100;
    EXPECT_EQ(VelSyncConsoleOutput::ProgressSummary(stats), "Directories: 4/12  Files: 40/100");
    VelSyncConsoleOutput output(console);
    output.ShowProgress(stats);
    EXPECT_EQ(console.Text, "\rDirectories: 4/12  Files: 40/100");
    EXPECT_EQ(output.PendingLength, 32);
}

TEST_F(ConsoleOutputTest, SummaryCountersDoNotWrap) {
    stats.FoldersDone = INT32_MAX;
    stats.FoldersDeleted = 1;
    EXPECT_EQ(VelSyncConsoleOutput::ProgressSummary(stats),
              "Directories: 2147483648/0  Files: 0/0");
}

TEST_F(ConsoleOutputTest, FinishEndsAPendingSummaryOnly) {
    VelSyncConsoleOutput output(console);
    output.Finish(stats);
    EXPECT_EQ(console.Text, "");
    output.ShowProgress(stats);
    console.Text.clear();
    output.Finish(stats);
    EXPECT_EQ(console.Text, "\r\n");
    EXPECT_EQ(output.PendingLength, 0);
    output.Finish(stats);
    EXPECT_EQ(console.Text, "\r\n");
}

TEST_F(ConsoleOutputTest, ReportShowsProgressThenTheMessageBelowIt) {
    VelSyncConsoleOutput output(console);
    stats.FilesFound = 2;
    output.Report(stats, mcCopyFile, "/a");
    const std::string summary = "Directories: 0/0  Files: 0/2";
    EXPECT_EQ(console.Text, "\r" + summary + "\rCopying file /a" + Blanks(summary.size() - 15) +
                                Backspaces(summary.size() - 15) + "\r\n");
}

TEST_F(ConsoleOutputTest, DestroyWipesAPendingSummary) {
    {
        VelSyncConsoleOutput output(console);
        output.WriteLine("12345", false);
        console.Text.clear();
    }
    EXPECT_EQ(console.Text, "\r" + Blanks(5) + Backspaces(5));
    console.Text.clear();
    { VelSyncConsoleOutput output(console); }
    EXPECT_EQ(console.Text, "");
}

}  // namespace
