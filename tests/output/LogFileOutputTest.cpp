#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "output/LogFileOutput.h"
#include "output/OutputError.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "tests/support/TempFolder.h"

namespace {

class LogFileOutputTest : public ::testing::Test {
protected:
    TempFolder folder;
    SyncStatistics stats;
    const LogOptionSet ErrorLog = LogOptionSet(loAppend | loTimestamp);
};

TEST_F(LogFileOutputTest, PlainLogIsRewrittenEachRunAndHoldsEveryClass) {
    const std::string path = (folder / "run.log");
    WriteTextFile(path, "old line\r\n");
    {
        VelSyncLogFileOutput log(path, 0);
        EXPECT_EQ(ReadTextFile(path), "old line\r\n");  // untouched until a message
        log.Report(stats, mcScanSource, "/src");
        log.Report(stats, mcCopyFile, "/a");
        log.Message(mcWarning, "w");
        log.Message(mcError, "e");
        log.Message(MessageClass(27), "plain");
        log.Finish(stats);
        EXPECT_FALSE(log.IsOpen());
    }
    EXPECT_EQ(ReadTextFile(path),
              "Scanning source folder: /src\r\nCopying file /a\r\n!! Warning: w\r\n!! Error: e\r\n"
              "plain\r\n");
    VelSyncLogFileOutput second(path, 0);
    second.Message(mcInformation, "run 2");
    EXPECT_EQ(ReadTextFile(path), "run 2\r\n");
}

TEST_F(LogFileOutputTest, MessageAfterFinishDoesNotWipeTheRunsLog) {
    const std::string path = (folder / "run.log");
    VelSyncLogFileOutput log(path, 0);
    log.Message(mcInformation, "one");
    log.Finish(stats);
    log.Message(mcInformation, "two");
    log.CloseLog();
    EXPECT_EQ(ReadTextFile(path), "one\r\ntwo\r\n");
}

TEST_F(LogFileOutputTest, PlainLogThatCannotBeCreatedDropsMessagesAndRetries) {
    const std::string sub = (folder / "later");
    const std::string path = sub + "/run.log";
    VelSyncLogFileOutput log(path, 0);
    EXPECT_NO_THROW(log.Message(mcError, "dropped"));
    EXPECT_FALSE(log.IsOpen());
    ASSERT_TRUE(std::filesystem::create_directory(sub));
    log.Message(mcError, "kept");
    log.CloseLog();
    EXPECT_EQ(ReadTextFile(path), "!! Error: kept\r\n");
}

TEST_F(LogFileOutputTest, ErrorLogAppendsTimeStampedLines) {
    const std::string path = (folder / "err.log");
    WriteTextFile(path, "earlier run\r\n");
    for (int run = 1; run <= 2; ++run) {
        VelSyncLogFileOutput log(path, ErrorLog);
        log.Message(mcError, "Failed to connect to source /data.");
        log.Message(mcWarning, "run " + std::to_string(run));
        log.Finish(stats);
    }
    std::string text = ReadTextFile(path);
    // The C locale's date and time, or those of a user locale (United States).
    const std::string stamp =
        R"((\d{4}-\d\d-\d\d( \d\d:\d\d:\d\d)?|\d{1,2}/\d{1,2}/\d{4}( \d{1,2}:\d\d:\d\d [AP]M)?) )";
    std::regex expected("earlier run\r\n(" + stamp +
                        R"(!! Error: Failed to connect to source /data\.)" + "\r\n" + stamp +
                        "!! Warning: run 1\r\n)" + "(" + stamp +
                        R"(!! Error: Failed to connect to source /data\.)" + "\r\n" + stamp +
                        "!! Warning: run 2\r\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST_F(LogFileOutputTest, ErrorLogIsCreatedWhenMissing) {
    const std::string path = (folder / "new.log");
    VelSyncLogFileOutput log(path, loAppend);
    log.Message(mcError, "x");
    log.CloseLog();
    EXPECT_EQ(ReadTextFile(path), "!! Error: x\r\n");
}

TEST_F(LogFileOutputTest, LogWithoutMessagesIsNeitherCreatedNorTouched) {
    const std::string missing = (folder / "none.log");
    const std::string existing = (folder / "err.log");
    WriteTextFile(existing, "keep me");
    {
        VelSyncLogFileOutput a(missing, ErrorLog), b(existing, ErrorLog);
        a.ShowProgress(stats);
        a.Finish(stats);
        b.Finish(stats);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(ReadTextFile(existing), "keep me");
}

TEST_F(LogFileOutputTest, ErrorLogThatCanBeNeitherAppendedNorCreatedThrows) {
    VelSyncLogFileOutput log((folder / "no/such/folder/err.log"), ErrorLog);
    try {
        log.Message(mcError, "x");
        FAIL() << "no error";
    } catch (const VelOutputError& error) {
        EXPECT_NE(std::string(error.what()).find("no/such/folder/err.log"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(log.IsOpen());
}

TEST_F(LogFileOutputTest, ExistingErrorLogThatCannotBeOpenedIsNotEmptied) {
    const std::string path = folder / "err.log";
    WriteTextFile(path, "history\r\n");
    ASSERT_EQ(chmod(folder.Path.c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    // Root may write any file, so the attempt is made as an ordinary user.
    int outcome = RunAsNobody([&] {
        VelSyncLogFileOutput log(path, ErrorLog);
        try {
            log.Message(mcError, "x");
        } catch (const VelOutputError&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(outcome, 0) << "the failure to open the error log must not be swallowed";
    EXPECT_EQ(ReadTextFile(path), "history\r\n");
}

TEST_F(LogFileOutputTest, FailedWriteThrows) {
    // A device that is always full: Linux's /dev/full, under wine through drive Z:.
    const std::string full = platform::PathSeparator == '/' ? "/dev/full" : "Z:\\dev\\full";
    if (!platform::TextFile().OpenForAppend(full)) GTEST_SKIP() << "no " << full << " here";
    VelSyncLogFileOutput log(full, loAppend);
    EXPECT_THROW(log.Message(mcError, "x"), VelOutputError);
}

}  // namespace
