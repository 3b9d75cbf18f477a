// Copying through a temporary name, dates and modes after a copy, and bringing
// destination names to the source's letter case.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "tests/sync/WorkerFixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(WorkerTest, TempPrefixSkipsTemporaryNamesTheFolderAlreadyHolds) {
    Options.TempPrefix = "tmp";
    Source.AddFile("/src/report.txt", Noon + 1, 9);
    Destination.AddFile("/dst/report.txt", Noon, 5);
    Destination.AddFile("/dst/tmp_report.txt", Noon, 1);
    Destination.AddFile("/dst/TMP_1_report.txt", Noon, 1);  // taken, whatever its case
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("PutFile"), ElementsAre("PutFile /dst/tmp_2_report.txt"));
    EXPECT_THAT(Destination.CallsOf("DeleteFile"), ElementsAre("DeleteFile /dst/report.txt"));
    EXPECT_THAT(Destination.CallsOf("RenameFile"),
                ElementsAre("RenameFile /dst/tmp_2_report.txt report.txt"));
    EXPECT_EQ(Destination.Find("/dst/report.txt")->SizeLow, 9u);
    EXPECT_FALSE(Destination.Exists("/dst/tmp_2_report.txt"));
}

TEST_F(WorkerTest, TempPrefixCopyWhoseOldFileCannotGoLeavesNoTemporaryFile) {
    Options.TempPrefix = "tmp";
    Source.AddFile("/src/report.txt", Noon + 1, 9);
    Destination.AddFile("/dst/report.txt", Noon, 5);
    Destination.FailOn("DeleteFile", "/dst/report.txt", ErrorCode::SharingViolation);
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/tmp_report.txt"));
    EXPECT_EQ(Destination.Find("/dst/report.txt")->SizeLow, 5u);
    // The failure is reported with its own reason, not the clean-up's.
    EXPECT_THAT(Output.Lines(), testing::Contains(testing::EndsWith("(32). Stopping")));
}

TEST_F(WorkerTest, TempPrefixIsNotUsedForANewFile) {
    Options.TempPrefix = "tmp";
    Source.AddFile("/src/report.txt", Noon, 9);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("PutFile"), ElementsAre("PutFile /dst/report.txt"));
    EXPECT_THAT(Destination.CallsOf("RenameFile"), IsEmpty());
}

TEST_F(WorkerTest, DiskToDiskCopiesSetNoDateAndNoMode) {
    Options.NewFileMode = "644";
    Source.AddFile("/src/a.txt", Noon, 9);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("SetFileDate"), IsEmpty());
    EXPECT_THAT(Destination.CallsOf("Chmod"), IsEmpty());
    EXPECT_EQ(Source.OutstandingLocalCopies(), 0);
}

TEST_F(WorkerTest, ASourceThatDoesNotKeepDatesGetsTheListedTimeSetAndModesApplied) {
    Source.KeepsDate = false;
    Destination.CanChmod = true;
    Options.Recurse = true;
    Options.NewFileMode = "644";
    Options.NewFolderMode = "755";
    Source.AddFile("/src/sub/a.txt", Noon - 3, 9);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("SetFileDate"), ElementsAre("SetFileDate /dst/sub/a.txt"));
    EXPECT_EQ(Destination.Find("/dst/sub/a.txt")->Time, Noon - 3);
    EXPECT_THAT(Destination.CallsOf("Chmod"),
                ElementsAre("Chmod /dst/sub 755", "Chmod /dst/sub/a.txt 644"));
}

TEST_F(WorkerTest, AFailedDateStepFailsTheCopy) {
    Source.KeepsDate = false;
    Options.ContinueOnError = true;
    Source.AddFile("/src/a.txt", Noon, 9);
    Destination.FailOn("SetFileDate", "a.txt", ErrorCode::AccessDenied);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("Failed to copy file /src/a.txt. " +
                            platform::SystemErrorText(ErrorCode::AccessDenied) + " Continuing"));
    EXPECT_TRUE(Final.CopyErrors);
}

class CaseIgnoringDestinationTest : public WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        Destination.CaseMode = NameCase::ServerRules;
        Destination.TreeIgnoresCase = true;
    }
};

TEST_F(CaseIgnoringDestinationTest, ASelectedFileThatNeedsNoCopyIsRenamedToTheSourceCase) {
    Options.DeleteObsolete = true;
    Source.AddFile("/src/readme.txt", Noon, 5);
    Destination.AddFile("/dst/README.TXT", Noon, 5);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), IsEmpty());
    EXPECT_THAT(Destination.CallsOf("RenameFile"),
                ElementsAre("RenameFile /dst/README.TXT readme.txt"));
    EXPECT_THAT(Output.TextsOf(mcRenameFrom), ElementsAre("README.TXT"));
    EXPECT_THAT(Output.TextsOf(mcRenameTo), ElementsAre("readme.txt"));
    EXPECT_EQ(Destination.Find("/dst/readme.txt")->Name, "readme.txt");
    EXPECT_THAT(Destination.CallsOf("DeleteFile"), IsEmpty());  // kept, not obsolete
    EXPECT_EQ(FinalRenameState, RenameState::Reported);
}

TEST_F(CaseIgnoringDestinationTest, OnlyTheFirstRenameListsTheFolder) {
    Source.AddFile("/src/a.txt", Noon, 5);
    Source.AddFile("/src/b.txt", Noon, 5);
    Destination.AddFile("/dst/A.TXT", Noon, 5);
    Destination.AddFile("/dst/B.TXT", Noon, 5);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("ListFolder"),
                ElementsAre("ListFolder /dst", "ListFolder /dst/a.txt"));
    EXPECT_EQ(Output.CountOf(mcRenameTo), 2);
}

TEST_F(CaseIgnoringDestinationTest, ADestinationThatDoesNotKeepCaseSwitchesRenamingOff) {
    Destination.RenameKeepsCase = false;
    Source.AddFile("/src/a.txt", Noon, 5);
    Source.AddFile("/src/b.txt", Noon, 5);
    Destination.AddFile("/dst/A.TXT", Noon, 5);
    Destination.AddFile("/dst/B.TXT", Noon, 5);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("RenameFile"), ElementsAre("RenameFile /dst/A.TXT a.txt"));
    EXPECT_EQ(Output.CountOf(mcRenameFrom), 0);
    EXPECT_EQ(FinalRenameState, RenameState::Off);
}

TEST_F(CaseIgnoringDestinationTest, ARefusedRenameGoesRoundATemporaryName) {
    Source.AddFile("/src/a.txt", Noon, 5);
    Destination.AddFile("/dst/A.TXT", Noon, 5);
    Destination.FailOn("RenameFile", "/dst/A.TXT a.txt", ErrorCode::AccessDenied);
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("RenameFile"),
                ElementsAre("RenameFile /dst/A.TXT a.txt", "RenameFile /dst/A.TXT _a.txt",
                            "RenameFile /dst/_a.txt a.txt"));
    EXPECT_EQ(Destination.Find("/dst/a.txt")->Name, "a.txt");
}

TEST_F(CaseIgnoringDestinationTest, SimulateStillAlignsCase) {
    Options.Simulate = true;
    Source.AddFile("/src/a.txt", Noon, 5);
    Destination.AddFile("/dst/A.TXT", Noon, 5);
    RunWorker();
    EXPECT_EQ(Destination.Find("/dst/a.txt")->Name, "a.txt");
}

TEST_F(WorkerTest, CaseSensitiveSidesKeepReadmeAndREADMEApart) {
    // Two POSIX folders: both devices answer 1.
    Options.DeleteObsolete = true;
    Source.AddFile("/src/README", Noon, 5);
    Source.AddFile("/src/readme", Noon, 6);
    Destination.AddFile("/dst/readme", Noon, 6);
    Destination.AddFile("/dst/Other", Noon, 6);
    Source.AddFile("/src/other", Noon, 6);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("README", "other"));
    EXPECT_THAT(Destination.CallsOf("RenameFile"), IsEmpty());
    EXPECT_THAT(Output.TextsOf(mcWarning), IsEmpty());
    EXPECT_FALSE(Destination.Exists("/dst/Other"));  // not at the source by its exact name
    EXPECT_EQ(Destination.Find("/dst/README")->SizeLow, 5u);
}

TEST_F(WorkerTest, SpecsMatchCaseSensitivelyForACaseSensitiveSource) {
    Options.ExcludeFileSpecs = {"*.TXT"};
    Source.AddFile("/src/a.txt", Noon, 5);
    Source.AddFile("/src/b.TXT", Noon, 5);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("a.txt"));

    Source.CaseMode = NameCase::ServerRules;
    Output = RecordingOutput{};
    Destination.DeleteFile("/dst", "a.txt", false);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), IsEmpty());
}

}  // namespace
