#include <gtest/gtest.h>

#include <memory>

#include "output/ConsoleOutput.h"
#include "output/DualOutput.h"
#include "output/FilterOutputByClass.h"
#include "tests/support/RecordingOutput.h"

namespace {

using Calls = std::vector<std::string>;

TEST(FilterOutputTest, EachLevelPassesItsGroups) {
    const MessageClass scan = mcScanSource, copy = mcCopyFile, warning = mcWarning, error = mcError,
                       debug = mcDebug, unassigned = MessageClass(27);
    struct {
        FilterSet suppressed;
        bool details, actions, progress;
    } levels[] = {
        {FilterSet(fsActions | fsDetails), false, false, true},                // console default
        {0, true, true, true},                                                 // /V2
        {fsDetails, false, true, true},                                        // /V1, /V
        {FilterSet(fsActions | fsDetails | fsProgress), false, false, false},  // /V0, error log
    };
    for (auto& level : levels) {
        TVelSyncFilterOutputByClass filter(std::make_unique<RecordingOutput>(), level.suppressed);
        SCOPED_TRACE(int(level.suppressed));
        EXPECT_EQ(filter.Accepts(scan), level.details);
        EXPECT_EQ(filter.Accepts(mcUpToDate), level.details);
        EXPECT_EQ(filter.Accepts(copy), level.actions);
        EXPECT_EQ(filter.Accepts(mcExplain), level.actions);
        EXPECT_EQ(filter.PassesProgress(), level.progress);
        for (MessageClass always : {warning, error, debug, unassigned, MessageClass(0)})
            EXPECT_TRUE(filter.Accepts(always)) << int(always);
    }
}

TEST(FilterOutputTest, PassesOnlyWhatItAccepts) {
    Calls calls;
    TVelSyncFilterOutputByClass filter(std::make_unique<RecordingOutput>(&calls), fsDetails);
    SyncStatistics stats;
    filter.Report(stats, mcScanSource, "/d");  // stopped
    filter.Report(stats, mcCopyFile, "/c");
    filter.Message(mcScanTarget, "/t");  // stopped
    filter.Message(MessageClass(11), "u");
    filter.Finish(stats);
    EXPECT_EQ(calls, (Calls{"progress", "message 14 /c", "message 11 u", "finish"}));
}

TEST(FilterOutputTest, SilentFilterStillForwardsFinish) {
    Calls calls;
    TVelSyncFilterOutputByClass filter(std::make_unique<RecordingOutput>(&calls),
                                       FilterSet(fsActions | fsDetails | fsProgress));
    SyncStatistics stats;
    filter.ShowProgress(stats);
    filter.Report(stats, mcCopyFile, "/c");
    filter.Report(stats, mcError, "e");
    filter.Finish(stats);
    EXPECT_EQ(calls, (Calls{"message 29 e", "finish"}));
}

TEST(FilterOutputTest, SetAndUnsuppress) {
    TVelSyncFilterOutputByClass filter(std::make_unique<RecordingOutput>(),
                                       FilterSet(fsActions | fsDetails | fsProgress));
    filter.Unsuppress(fsActions);
    EXPECT_EQ(filter.Suppressed, FilterSet(fsDetails | fsProgress));
    filter.Unsuppress(fsActions);
    EXPECT_EQ(filter.Suppressed, FilterSet(fsDetails | fsProgress));
    filter.SetSuppressed(0);
    EXPECT_EQ(filter.Suppressed, 0);
}

TEST(GenericFilteredOutputTest, PassesEverything) {
    Calls calls;
    TGenericFilteredOutput filter(std::make_unique<RecordingOutput>(&calls));
    SyncStatistics stats;
    filter.Report(stats, mcScanSource, "/d");
    EXPECT_TRUE(filter.PassesProgress());
    EXPECT_EQ(calls, (Calls{"progress", "message 1 /d"}));
}

TEST(DualOutputTest, FirstThenSecondEachWithItsOwnClassTest) {
    Calls calls;
    auto first = std::make_unique<RecordingOutput>(&calls);
    first->Refused = {mcCopyFile};
    auto second = std::make_unique<RecordingOutput>(&calls);
    second->Refused = {mcWarning};
    RecordingOutput* secondOutput = second.get();
    VelSyncDualOutput dual(std::move(first), std::move(second));
    SyncStatistics stats;
    dual.Report(stats, mcCopyFile, "/c");
    dual.Report(stats, mcWarning, "w");
    dual.Message(mcScanSource, "m");
    dual.ShowProgress(stats);
    dual.Finish(stats);
    EXPECT_EQ(calls, (Calls{"progress", "message 14 /c", "progress", "message 26 w", "message 1 m",
                            "message 1 m", "progress", "progress", "finish", "finish"}));
    EXPECT_TRUE(dual.Accepts(mcCopyFile));
    EXPECT_TRUE(dual.Accepts(mcWarning));
    secondOutput->Refused.insert(mcCopyFile);
    EXPECT_FALSE(dual.Accepts(mcCopyFile));
}

TEST(DualOutputTest, SilentConsoleStillLetsTheLogHaveTheReport) {
    platform::CapturingConsole console;
    Calls log;
    VelSyncDualOutput dual(std::make_unique<RecordingOutput>(&log),
                           std::make_unique<TVelSyncFilterOutputByClass>(
                               std::make_unique<VelSyncConsoleOutput>(console),
                               FilterSet(fsActions | fsDetails | fsProgress)));
    SyncStatistics stats;
    dual.Report(stats, mcCopyFile, "/c");
    EXPECT_EQ(console.Text, "");
    EXPECT_EQ(log, (Calls{"progress", "message 14 /c"}));
}

TEST(DualOutputTest, DestroyingTheRootDestroysEveryOutput) {
    bool destroyed[3] = {};
    Calls calls;
    {
        auto inner = std::make_unique<VelSyncDualOutput>(
            std::make_unique<RecordingOutput>(&calls, &destroyed[0]),
            std::make_unique<TVelSyncFilterOutputByClass>(
                std::make_unique<RecordingOutput>(&calls, &destroyed[1]), 0));
        auto root = std::make_unique<VelSyncDualOutput>(
            std::make_unique<TGenericFilteredOutput>(
                std::make_unique<RecordingOutput>(&calls, &destroyed[2])),
            std::move(inner));
        root->Finish(SyncStatistics());
        EXPECT_EQ(calls.size(), 3u);
        root.reset();
        for (bool gone : destroyed) EXPECT_TRUE(gone);
    }
}

}  // namespace
