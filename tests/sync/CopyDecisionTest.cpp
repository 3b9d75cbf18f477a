// The copy decision of the file step: the time rule with drift, /N, /D, empty
// files, the two size rules and their /V:E explanations.

#include <gtest/gtest.h>

#include "platform/Locale.h"
#include "sync/CopyRules.h"
#include "tests/sync/WorkerFixture.h"

namespace {

using ::testing::ElementsAre;

struct DriftCase {
    uint32_t Drift;
    bool NewerOnly;
    int64_t DestinationSize;
    bool Copied;
};

class DriftTest : public WorkerTest {};

TEST_F(DriftTest, TwoSecondsLaterIsCopiedUnlessTheDriftAllowsItOrTheSizeRuleDecides) {
    const DriftCase cases[] = {
        {0, true, 10, true},  {1, true, 10, true},   {2, true, 10, false},
        {3, true, 10, false}, {2, false, 10, false}, {2, false, 11, true},
    };
    for (const DriftCase& c : cases) {
        MemoryStorageDevice source, destination;
        source.AddFile("/src/a.txt", Noon + Seconds(2), 10);
        destination.AddFile("/dst/a.txt", Noon, c.DestinationSize);
        VelSyncFlags options;
        options.Recurse = false;
        options.DriftSeconds = c.Drift;
        options.NewerOnly = c.NewerOnly;
        RecordingOutput output;
        VelSyncBackupWorker worker(output);
        worker.Run("/src", source, options, destination, "/dst");
        EXPECT_EQ(output.CountOf(mcCopyFile), c.Copied ? 1 : 0)
            << "drift " << c.Drift << " newer only " << c.NewerOnly;
    }
}

TEST(IsNewerEntry, DriftBoundariesAndDateOnlyEntries) {
    VelDirectoryEntry source, destination;
    destination.ModifiedTime = 45000.5;
    const struct {
        double Seconds;
        uint32_t Drift;
        bool Newer;
    } cases[] = {
        {0, 0, false},  {0.001, 0, true}, {1.4, 1, false}, {1.6, 1, true}, {2.4, 2, false},
        {2.6, 2, true}, {3.4, 3, false},  {3.6, 3, true},  {-1, 0, false},
    };
    for (const auto& c : cases) {
        source.ModifiedTime = 45000.5 + c.Seconds * OneSecond;
        EXPECT_EQ(IsNewerEntry(source, destination, c.Drift), c.Newer)
            << c.Seconds << " s, drift " << c.Drift;
    }
    // A destination listed with minutes (or whole seconds) only stands for every
    // time up to the next minute (second).
    const struct {
        double Seconds;
        uint32_t Resolution, Drift;
        bool Newer;
    } coarse[] = {
        {59.9, 60, 0, false}, {60.0, 60, 0, true}, {61.0, 60, 2, false},
        {62.6, 60, 2, true},  {0.9, 1, 0, false},  {1.0, 1, 0, true},
    };
    for (const auto& c : coarse) {
        destination.TimeResolution = c.Resolution;
        source.ModifiedTime = 45000.5 + c.Seconds * OneSecond;
        EXPECT_EQ(IsNewerEntry(source, destination, c.Drift), c.Newer)
            << c.Seconds << " s after a time to " << c.Resolution << " s, drift " << c.Drift;
    }
    destination.TimeResolution = 0;
    source.DateOnly = true;
    source.ModifiedTime = 45000.9;  // later that day: not newer by whole days
    EXPECT_FALSE(IsNewerEntry(source, destination, 0));
    source.ModifiedTime = 45001.0;
    EXPECT_TRUE(IsNewerEntry(source, destination, 0));
}

TEST_F(WorkerTest, TwoEmptyFilesAreNeverCopied) {
    Source.AddFile("/src/empty.txt", Noon + 1, 0);
    Destination.AddFile("/dst/empty.txt", Noon, 0);
    RunWorker();
    EXPECT_EQ(Output.CountOf(mcCopyFile), 0);
    EXPECT_TRUE(Output.Has(mcUpToDate, "empty.txt"));
}

TEST_F(WorkerTest, AFileOlderThanTheStartDateIsNotCopiedEvenWhenMissing) {
    Options.StartDate = Noon;
    Source.AddFile("/src/old.txt", Noon - 1, 5);
    Source.AddFile("/src/new.txt", Noon, 5);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("new.txt"));
    EXPECT_TRUE(Output.Has(mcUpToDate, "old.txt"));
    EXPECT_FALSE(Destination.Exists("/dst/old.txt"));
}

TEST_F(WorkerTest, ExplainsEachReasonToCopy) {
    Options.Explain = true;
    Source.AddFile("/src/missing.txt", Noon, 1);
    Source.AddFile("/src/newer.txt", Noon + Seconds(2), 1);
    Destination.AddFile("/dst/newer.txt", Noon, 1);
    Source.AddFile("/src/size.bin", Noon, 26);
    Destination.AddFile("/dst/size.bin", Noon, 27);
    RunWorker();
    EXPECT_THAT(
        Output.TextsOf(mcExplain),
        ElementsAre("Destination file does not exist",
                    "File (" + platform::FormatDateTimeC(Noon + Seconds(2)) +
                        ") is newer than at destination (" + platform::FormatDateTimeC(Noon) + ")",
                    "Source file size (0x00000001A) different to destination size "
                    "(0x00000001B)"));
}

TEST_F(WorkerTest, TextSizeRuleTowardsADestinationWithTextMode) {
    Options.Explain = true;
    Options.TextFileSpecs = {"*.txt"};
    Destination.TextMode = true;
    const struct {
        const char* Name;
        int64_t SourceSize, DestinationSize;
    } files[] = {
        {"a.txt", 900, 1000}, {"b.txt", 1000, 900}, {"c.txt", 2001, 1000}, {"d.txt", 2000, 1000}};
    for (const auto& f : files) {
        Source.AddFile(std::string("/src/") + f.Name, Noon, f.SourceSize);
        Destination.AddFile(std::string("/dst/") + f.Name, Noon, f.DestinationSize);
    }
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("a.txt", "c.txt"));
    EXPECT_THAT(Output.TextsOf(mcExplain),
                ElementsAre("Source file size (0x000000384) is less than at destination "
                            "(0x0000003E8)",
                            "Source file size (0x0000007D1) is significantly bigger than at "
                            "destination (0x0000003E8)"));
    // Text files go in text mode.
    EXPECT_EQ(Destination.CallsOf("PutFile")[0], "PutFile /dst/a.txt text");
}

TEST(SizeRules, AHalfOfAllOnesMeansTheSizeIsNotKnown) {
    VelDirectoryEntry source, destination;
    source.SizeLow = 5;
    destination.SizeLow = 6;
    EXPECT_TRUE(BinarySizeRule(source, destination).Copy);
    for (uint32_t* half :
         {&source.SizeHigh, &source.SizeLow, &destination.SizeHigh, &destination.SizeLow}) {
        const uint32_t kept = *half;
        *half = 0xFFFFFFFFu;
        EXPECT_FALSE(BinarySizeRule(source, destination).Copy);
        *half = kept;
    }
}

TEST(SizeRules, HexFormatPrintsTheHighHalfBareAndTheLowHalfInEightDigits) {
    EXPECT_EQ(FormatSizeHalves(0, 26), "0x00000001A");
    EXPECT_EQ(FormatSizeHalves(1, 5), "0x100000005");
    EXPECT_EQ(FormatSizeHalves(0xAB, 0xFFFFFFFF), "0xABFFFFFFFF");
}

TEST_F(WorkerTest, WithNewerOnlyTheSizeRulesDoNotApply) {
    Options.NewerOnly = true;
    Source.AddFile("/src/a.bin", Noon, 10);
    Destination.AddFile("/dst/a.bin", Noon, 11);
    RunWorker();
    EXPECT_EQ(Output.CountOf(mcCopyFile), 0);
}

}  // namespace
