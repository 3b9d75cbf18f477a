// The run and the folder comparison: roots, recursion, /Sim, folders in the way,
// read-only targets, the listing warning, duplicates, errors with /C and /I, and
// the progress counters.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "tests/support/TempFolder.h"
#include "tests/sync/WorkerFixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(WorkerTest, MissingSourceRootIsReportedAndTheRunFinishes) {
    RunWorker("/nowhere", "/dst");
    EXPECT_THAT(Output.Lines(), ElementsAre("!! Error: Source directory /nowhere does not exist"));
    EXPECT_EQ(Output.FinishCalls, 1);
}

TEST_F(WorkerTest, MissingDestinationRootWithoutAndWithMakeTargetDir) {
    RunWorker("/src", "/new/");
    EXPECT_THAT(Output.Lines(),
                ElementsAre("!! Error: Destination directory /new/ does not exist"));
    EXPECT_FALSE(Destination.Exists("/new"));

    Output = RecordingOutput{};
    Options.MakeTargetDir = true;
    Source.AddFile("/src/a.txt", Noon, 3);
    RunWorker("/src", "/new/");
    EXPECT_TRUE(Output.Has(mcCreateFolder, "/new/"));
    EXPECT_TRUE(Destination.Exists("/new/a.txt"));
    EXPECT_EQ(Output.FinishCalls, 1);
}

TEST_F(WorkerTest, DestinationRootThatCannotBeMade) {
    Options.MakeTargetDir = true;
    Destination.FailOn("CreateFolder", "/new", ErrorCode::AccessDenied);
    RunWorker("/src", "/new");
    EXPECT_THAT(Output.Lines(),
                ElementsAre("Creating folder /new",
                            "!! Error: Failed to create destination directory /new"));
    EXPECT_THAT(Destination.CallsOf("ListFolder"), IsEmpty());
}

TEST_F(WorkerTest, RootsLoseOneTrailingSeparatorAndSpecsSeeRelativePaths) {
    Options.ExcludeFileSpecs = {NativePath("/skip.txt")};
    Source.AddFile("/src/skip.txt", Noon, 1);
    Source.AddFile("/src/take.txt", Noon, 1);
    RunWorker("/src/", "/dst/");
    EXPECT_THAT(Output.TextsOf(mcScanSource), ElementsAre("/src"));
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("take.txt"));
    EXPECT_THAT(Destination.CallsOf("PutFile"), ElementsAre("PutFile /dst/take.txt"));
}

TEST_F(WorkerTest, WithoutRecurseSubFoldersAreNeitherMadeNorEnteredNorDeleted) {
    Options.DeleteObsolete = true;
    Source.AddFile("/src/sub/a.txt", Noon, 1);
    Destination.AddFile("/dst/old/b.txt", Noon, 1);
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/sub"));
    EXPECT_TRUE(Output.Has(mcIgnoreFolder, "/old"));
    EXPECT_TRUE(Destination.Exists("/dst/old/b.txt"));
    EXPECT_EQ(Final.FoldersFound, 3);  // the root, /sub and /old
    EXPECT_EQ(Final.FoldersDone, 1);
}

TEST_F(WorkerTest, WithRecurseFoldersAreMadeAndEntered) {
    Options.Recurse = true;
    Source.AddFile("/src/sub/deeper/a.txt", Noon, 1);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCreateFolder), ElementsAre("/dst/sub", "/dst/sub/deeper"));
    EXPECT_THAT(Output.TextsOf(mcScanFolder), ElementsAre("", "/sub", "/sub/deeper"));
    EXPECT_TRUE(Destination.Exists("/dst/sub/deeper/a.txt"));
}

TEST_F(WorkerTest, SimulateReportsTheSameActionsAndChangesNothing) {
    Options.Recurse = true;
    Options.DeleteObsolete = true;
    Source.AddFile("/src/a.txt", Noon, 1);
    Source.AddFile("/src/new/b.txt", Noon, 1);
    Destination.AddFile("/dst/gone.txt", Noon, 1);
    Destination.AddFile("/dst/old/c.txt", Noon, 1);
    const auto before = Destination.PathsBelow("/dst");

    Options.Simulate = true;
    RunWorker();
    EXPECT_EQ(Destination.PathsBelow("/dst"), before);
    for (const char* change : {"PutFile", "CreateFolder", "DeleteFile", "RemoveFolder"})
        EXPECT_THAT(Destination.CallsOf(change), IsEmpty()) << change;
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("a.txt"));
    EXPECT_THAT(Output.TextsOf(mcCreateFolder), ElementsAre("/dst/new"));  // not entered
    EXPECT_THAT(Output.TextsOf(mcSkipDeleteFile), ElementsAre("/dst/gone.txt", "/dst/old/c.txt"));
    EXPECT_THAT(Output.TextsOf(mcSkipDeleteFolder), ElementsAre("/dst/old"));
    EXPECT_EQ(Final.FoldersDeleted, 1);

    // The real run makes exactly what was reported.
    Options.Simulate = false;
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("a.txt", "b.txt"));
    EXPECT_THAT(Output.TextsOf(mcDeleteFile), ElementsAre("/dst/gone.txt", "/dst/old/c.txt"));
    EXPECT_THAT(Output.TextsOf(mcDeleteFolder), ElementsAre("/dst/old"));
    EXPECT_FALSE(Destination.Exists("/dst/old"));
}

TEST_F(WorkerTest, ADestinationFolderWhereTheSourceHasAFileIsDeletedFirst) {
    Source.AddFile("/src/x", Noon, 4);
    Destination.AddFile("/dst/x/inner.txt", Noon, 1);
    RunWorker();  // no /delete
    EXPECT_TRUE(Output.Has(mcMarkFolderDelete, "/x"));
    EXPECT_TRUE(Output.Has(mcDeleteFolder, "/dst/x"));
    ASSERT_NE(Destination.Find("/dst/x"), nullptr);
    EXPECT_FALSE(Destination.Find("/dst/x")->Folder);
    EXPECT_EQ(Destination.Find("/dst/x")->SizeLow, 4u);
}

TEST_F(WorkerTest, ReadOnlyDestinationFileWithoutAndWithOverwrite) {
    Source.AddFile("/src/a.txt", Noon + 1, 5);
    Destination.AddFile("/dst/a.txt", Noon, 5, platform::Attribute::ReadOnly);
    RunWorker();
    EXPECT_THAT(Output.Lines(),
                testing::Contains("!! Error: Failed to copy file /src/a.txt. The destination file "
                                  "/dst/a.txt is read-only; /R overwrites it. (19). Stopping"));
    EXPECT_THAT(Destination.CallsOf("PutFile"), IsEmpty());
    EXPECT_TRUE(Final.CopyErrors);

    Options.OverwriteReadOnly = true;
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Destination.CallsOf("SetReadOnly"), ElementsAre("SetReadOnly /dst/a.txt off"));
    EXPECT_EQ(Destination.Find("/dst/a.txt")->Time, Noon + 1);
    EXPECT_FALSE(Final.CopyErrors);
}

// The reason is the source's: the destination has none to give.
TEST_F(WorkerTest, AFileThatCannotBeReadIsReportedTwiceWithTheSourcesReason) {
    Source.AddFile("/src/a.txt", Noon, 5);
    Source.FailOn("GetLocalCopy", "a.txt", ErrorCode::AccessDenied);
    Options.ContinueOnError = true;
    RunWorker();
    EXPECT_EQ(Output.Lines()[Output.Lines().size() - 2], "!! Error: Failed to read /src/a.txt");
    EXPECT_EQ(Output.TextsOf(mcWarning).back(),
              "Failed to copy file /src/a.txt. " +
                  platform::SystemErrorText(ErrorCode::AccessDenied) + " Continuing");
}

TEST_F(WorkerTest, MoveSpecsDeleteTheSourceAfterACopyAndKeepDestinationFiles) {
    Options.MoveSpecs = {"*.tmp"};
    Options.DeleteObsolete = true;
    Source.AddFile("/src/a.tmp", Noon, 1);
    Source.AddFile("/src/b.txt", Noon, 1);
    Destination.AddFile("/dst/earlier.tmp", Noon, 1);
    RunWorker();
    EXPECT_FALSE(Source.Exists("/src/a.tmp"));
    EXPECT_TRUE(Source.Exists("/src/b.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/a.tmp"));
    EXPECT_TRUE(Destination.Exists("/dst/earlier.tmp"));  // moved there by an earlier run
    EXPECT_EQ(Final.FilesMoved, 1);
    EXPECT_EQ(Final.FilesCopied, 1);
}

TEST_F(WorkerTest, AMoveWhoseSourceFileStaysIsACopyAndSaysSo) {
    Options.MoveSpecs = {"*.tmp"};
    Source.AddFile("/src/a.tmp", Noon, 1);
    Source.FailOn("DeleteFile", "a.tmp", ErrorCode::AccessDenied);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/a.tmp"));
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("Failed to delete /src/a.tmp at the source after copying it. " +
                            platform::SystemErrorText(ErrorCode::AccessDenied) +
                            " It was copied, not moved"));
    EXPECT_EQ(Final.FilesMoved, 0);
    EXPECT_EQ(Final.FilesCopied, 1);
    EXPECT_TRUE(Final.DeleteErrors);
}

TEST_F(WorkerTest, ExcludedEntriesAreDeletedAndIgnoredOnesKeptWithDelete) {
    Options.Recurse = true;
    Options.DeleteObsolete = true;
    Options.ExcludeFileSpecs = {"*.bak"};
    Options.ExcludeFolderSpecs = {NativePath("/cache")};
    Options.IgnoreFileSpecs = {"*.log"};
    Options.IgnoreFolderSpecs = {NativePath("/private")};
    for (const char* name : {"a.bak", "a.log", "cache/x", "private/y"}) {
        Source.AddFile(std::string("/src/") + name, Noon, 1);
        Destination.AddFile(std::string("/dst/") + name, Noon, 1);
    }
    Destination.AddFile("/dst/only.log", Noon, 1);
    Destination.AddFile("/dst/private2/z", Noon, 1);
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/a.bak"));
    EXPECT_FALSE(Destination.Exists("/dst/cache"));
    EXPECT_FALSE(Destination.Exists("/dst/private2"));
    EXPECT_TRUE(Destination.Exists("/dst/a.log"));
    EXPECT_TRUE(Destination.Exists("/dst/only.log"));
    EXPECT_TRUE(Destination.Exists("/dst/private/y"));
    EXPECT_THAT(Output.TextsOf(mcCopyFile), IsEmpty());
}

TEST_F(WorkerTest, ListingLimitWarningWithExactly2000DestinationEntries) {
    Source.ListsDotEntries = Destination.ListsDotEntries = false;
    for (int i = 0; i < 2003; ++i) {
        Source.AddFile("/src/f" + std::to_string(i), Noon, 1);
        if (i < 2000) Destination.AddFile("/dst/f" + std::to_string(i), Noon, 1);
    }
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("FTP server may not be listing all files. Recommend reducing the "
                            "number of files in this folder to less than 2000."));

    Source.DeleteFile("/src", "f2002", false);
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning), IsEmpty());
}

TEST_F(WorkerTest, DuplicateNamesAtADestinationThatIgnoresCase) {
    Destination.CaseMode = NameCase::ServerRules;
    Source.AddFile("/src/a.txt", Noon, 1);
    Destination.AddFile("/dst/A.txt", Noon, 1);
    Destination.AddFile("/dst/a.txt", Noon, 1);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning), ElementsAre("Duplicates detected for a.txt"));

    Destination.CaseMode =
        NameCase::Sensitive;  // a case-sensitive destination: two different files
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning), IsEmpty());
}

class CopyErrorTest : public WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        Options.DeleteObsolete = true;
        Source.AddFile("/src/a.txt", Noon, 1);
        Source.AddFile("/src/b.txt", Noon, 1);
        Destination.AddFile("/dst/obsolete.txt", Noon, 1);
        Destination.FailOn("PutFile", "a.txt", ErrorCode::DiskFull);
    }
};

TEST_F(CopyErrorTest, WithContinueTheRunGoesOnButDeletesNothing) {
    Options.ContinueOnError = true;
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/b.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/obsolete.txt"));
    EXPECT_EQ(Final.FilesDone, 2);
}

TEST_F(CopyErrorTest, WithContinueAndIgnoreErrorsTheDeletionsAreMade) {
    Options.ContinueOnError = true;
    Options.IgnoreErrors = true;
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/obsolete.txt"));
}

TEST_F(WorkerTest, ProgressCountersAtTheEndOfARun) {
    Options.Recurse = true;
    Options.DeleteObsolete = true;
    Source.AddFile("/src/a.txt", Noon, 1);
    Source.AddFile("/src/sub/b.txt", Noon, 1);
    Source.AddFile("/src/sub/c.txt", Noon, 1);
    Destination.AddFile("/dst/gone.txt", Noon, 1);
    Destination.AddFile("/dst/old/x.txt", Noon, 1);
    Destination.AddFile("/dst/old/deeper/y.txt", Noon, 1);
    RunWorker();
    EXPECT_EQ(Output.FinishCalls, 1);
    EXPECT_EQ(Output.Final.FilesFound, 6);  // 3 source files, gone.txt, x.txt, y.txt
    EXPECT_EQ(Output.Final.FilesDone, 6);
    EXPECT_EQ(Output.Final.FoldersFound, 4);  // root, /sub, /old, /old/deeper
    EXPECT_EQ(Output.Final.FoldersDone, 2);
    EXPECT_EQ(Output.Final.FoldersDeleted, 2);
    EXPECT_FALSE(Output.Final.CopyErrors);
}

TEST_F(WorkerTest, ARerunThatChangesNothingListsEachFolderPairOnceAndNothingPerFile) {
    Options.Recurse = true;
    Options.DeleteObsolete = true;
    for (int f = 0; f < 3; ++f)
        for (int i = 0; i < 20; ++i) {
            const std::string path = "/d" + std::to_string(f) + "/f" + std::to_string(i);
            Source.AddFile("/src" + path, Noon, 10);
            Destination.AddFile("/dst" + path, Noon, 10);
        }
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcCopyFile), IsEmpty());
    for (MemoryStorageDevice* device : {&Source, &Destination}) {
        EXPECT_EQ(device->CallsOf("ListFolder").size(), 4u);
        EXPECT_EQ(device->CallsOf("FolderExists").size(), 1u);
        // Per-folder questions only; no call names a file.
        EXPECT_LE(device->Calls.size(), 4u * 4 + 1);
    }
}

}  // namespace
