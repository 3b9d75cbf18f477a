// Working off the deletion queues, and the regression tests for the faults the
// deletions had: a failed source listing taken for an empty folder, a case-only
// difference taken for a missing file, ignore specs that did not protect what
// they named, links followed while deleting, folder links that loop, and names
// that are not one path component.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "tests/support/TempFolder.h"
#include "tests/sync/WorkerFixture.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DeletionTest : public WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        Options.Recurse = true;
        Options.DeleteObsolete = true;
    }
};

TEST_F(DeletionTest, FilesGoFirstThenFolderTreesInnermostFolderFirst) {
    Destination.AddFile("/dst/gone.txt", Noon, 1);
    Destination.AddFile("/dst/old/a.txt", Noon, 1);
    Destination.AddFile("/dst/old/inner/b.txt", Noon, 1);
    RunWorker();
    EXPECT_THAT(Output.Lines(), testing::IsSupersetOf({"Marking file /gone.txt for later deletion.",
                                                       "Marking folder /old for later deletion."}));
    EXPECT_THAT(Output.TextsOf(mcDeleteFile),
                // a.txt is listed before inner and queued first; inner's turn
                // works off everything queued so far.
                ElementsAre("/dst/gone.txt", "/dst/old/a.txt", "/dst/old/inner/b.txt"));
    EXPECT_THAT(Output.TextsOf(mcDeleteFolder), ElementsAre("/dst/old/inner", "/dst/old"));
    EXPECT_THAT(Output.TextsOf(mcScanBeforeDelete), ElementsAre("/dst/old", "/dst/old/inner"));
    EXPECT_THAT(Destination.PathsBelow("/dst"), IsEmpty());
}

// A source that lists a folder as empty while the mirror holds something there
// must confirm it before anything goes (a server may list a folder it cannot
// read as an empty one).
TEST_F(DeletionTest, AnEmptySourceFolderDeletesOnlyWhatASecondLookConfirms) {
    for (bool confirmed : {false, true}) {
        MemoryStorageDevice source, destination;
        source.AddFolder("/src/unread");
        destination.AddFile("/dst/unread/a.txt", Noon, 1);
        source.ConfirmsEmptyFolders = confirmed;
        RecordingOutput output;
        VelSyncBackupWorker worker(output);
        worker.Run("/src", source, Options, destination, "/dst");
        EXPECT_EQ(destination.Exists("/dst/unread/a.txt"), !confirmed);
        EXPECT_EQ(output.CountOf(mcWarning), confirmed ? 0 : 1)
            << ::testing::PrintToString(output.Lines());
        EXPECT_EQ(worker.Statistics().DeletionsHeldBack, !confirmed);
    }
}

TEST_F(DeletionTest, ReadOnlyFilesAreDeletedOnlyWithOverwrite) {
    Destination.AddFile("/dst/ro.txt", Noon, 1, platform::Attribute::ReadOnly);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/ro.txt"));
    Options.OverwriteReadOnly = true;
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/ro.txt"));
}

TEST_F(DeletionTest, AFolderThatCannotBeRemoved) {
    Destination.AddFile("/dst/old/a.txt", Noon, 1);
    Destination.FailOn("RemoveFolder", "/dst/old", ErrorCode::AccessDenied);
    RunWorker();
    EXPECT_EQ(Output.Lines().back(), "!! Error: Failed to delete directory: /dst/old");
}

TEST_F(DeletionTest, AnIgnoreSpecKeepsAFileAndTheFolderAroundIt) {
    Options.IgnoreFileSpecs = {"*.log"};
    Destination.AddFile("/dst/old/keep.log", Noon, 1);
    Destination.AddFile("/dst/old/other.txt", Noon, 1);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/old/keep.log"));
    EXPECT_FALSE(Destination.Exists("/dst/old/other.txt"));
    EXPECT_THAT(Output.TextsOf(mcDeleteFolder), IsEmpty());
}

TEST_F(DeletionTest, IgnoreSpecWithARelativePathProtectsAFileOfAnObsoleteFolder) {
    Options.IgnoreFileSpecs = {NativePath("/old/keep.log")};
    Destination.AddFile("/dst/old/keep.log", Noon, 1);
    Destination.AddFile("/dst/old/other.txt", Noon, 1);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/old/keep.log"));
    EXPECT_FALSE(Destination.Exists("/dst/old/other.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/old"));
}

TEST_F(DeletionTest, IgnoreFolderSpecProtectsAFolderInsideAnObsoleteFolder) {
    Options.IgnoreFolderSpecs = {NativePath("/old/keep")};
    Destination.AddFile("/dst/old/keep/a.txt", Noon, 1);
    Destination.AddFile("/dst/old/b.txt", Noon, 1);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/old/keep/a.txt"));
    EXPECT_FALSE(Destination.Exists("/dst/old/b.txt"));
}

TEST_F(DeletionTest, FailedSourceListingIsNotAnEmptyFolder) {
    Source.AddFile("/src/sub/a.txt", Noon, 1);
    Source.AddFile("/src/z.txt", Noon, 1);
    Destination.AddFile("/dst/sub/a.txt", Noon, 1);
    Destination.AddFile("/dst/sub/b.txt", Noon, 1);
    Destination.AddFile("/dst/gone.txt", Noon, 1);
    Source.FailOn("ListFolder", "/src/sub", ErrorCode::AccessDenied);
    RunWorker();
    EXPECT_EQ(Output.Lines().back(), "!! Error: Failed to list folder /src/sub. " +
                                         platform::SystemErrorText(ErrorCode::AccessDenied) +
                                         " (5). Stopping");
    EXPECT_TRUE(Final.CopyErrors);
    EXPECT_TRUE(Destination.Exists("/dst/sub/b.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/gone.txt"));

    // With /C it is a warning and the run goes on; with /I the other deletions are
    // made, but nothing of the folder that could not be listed.
    Options.ContinueOnError = true;
    Options.IgnoreErrors = true;
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("Failed to list folder /src/sub. " +
                            platform::SystemErrorText(ErrorCode::AccessDenied) + " Continuing"));
    EXPECT_TRUE(Final.CopyErrors);
    EXPECT_TRUE(Destination.Exists("/dst/z.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/sub/a.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/sub/b.txt"));
    EXPECT_FALSE(Destination.Exists("/dst/gone.txt"));
    EXPECT_EQ(Output.CountOf(mcMarkFileDelete), 1);
}

TEST_F(DeletionTest, CaseOnlyDifferenceIsNotMissingAtACaseIgnoringSource) {
    Source.CaseMode = NameCase::ServerRules;
    Destination.CaseMode = NameCase::ServerRules;
    Destination.TreeIgnoresCase = true;
    Options.StartDate = Noon;  // Old.txt is not selected, so its name is never aligned
    Source.AddFile("/src/Old.txt", Noon - 10, 1);
    Destination.AddFile("/dst/old.txt", Noon - 10, 1);
    Destination.AddFile("/dst/gone.txt", Noon, 1);
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/old.txt"));
    EXPECT_THAT(Output.TextsOf(mcMarkFileDelete), ElementsAre("/gone.txt"));
}

TEST_F(DeletionTest, DeletingATreeNeverFollowsALink) {
    Destination.AddFile("/outside/precious.txt", Noon, 1);
    Destination.AddFile("/outside/deeper/more.txt", Noon, 1);
    Destination.AddLink("/dst/link", "/outside");            // not at the source
    Destination.AddLink("/dst/old/inner-link", "/outside");  // inside an obsolete folder
    Destination.AddFile("/dst/old/a.txt", Noon, 1);
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/link"));
    EXPECT_FALSE(Destination.Exists("/dst/old"));
    EXPECT_TRUE(Destination.Exists("/outside/precious.txt"));
    EXPECT_TRUE(Destination.Exists("/outside/deeper/more.txt"));
    for (const std::string& call : Destination.CallsOf("ListFolder"))
        EXPECT_EQ(call.find("link"), std::string::npos) << call;
    EXPECT_THAT(Output.TextsOf(mcDeleteFile), Contains("/dst/link"));
    EXPECT_THAT(Output.TextsOf(mcDeleteFile), Contains("/dst/old/inner-link"));
}

TEST_F(DeletionTest, AFolderLinkToAnAncestorIsNotEntered) {
    Source.AddFile("/src/sub/a.txt", Noon, 1);
    Source.AddLink("/src/sub/loop", "/src");
    Destination.AddFile("/dst/sub/loop/keep.txt", Noon, 1);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("Folder /src/sub/loop is a link to one of its own ancestors. Not "
                            "descending into it"));
    EXPECT_TRUE(Destination.Exists("/dst/sub/loop/keep.txt"));
    EXPECT_THAT(Source.CallsOf("ListFolder"),
                ElementsAre("ListFolder /src", "ListFolder /src/sub"));
    EXPECT_TRUE(Destination.Exists("/dst/sub/a.txt"));
}

TEST_F(DeletionTest, NamesWithASeparatorOrANulAreLeftOut) {
    MemoryNode slashed;
    slashed.Name = "a/b";
    MemoryNode nul;
    nul.Name = std::string("x\0y", 3);
    Source.AddListedEntry("/src", slashed);
    Source.AddListedEntry("/src", nul);
    Source.AddFile("/src/fine.txt", Noon, 1);
    Destination.AddFile("/dst/a", Noon, 1);  // what "a/b" might be taken for
    Destination.AddFile("/dst/x", Noon, 1);  // what "x\0y" might be cut to
    Destination.AddListedEntry("/dst", slashed);
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning),
                ElementsAre("Invalid name \"a/b\" listed in /src (it holds a path separator or "
                            "a NUL). Left out",
                            "Invalid name \"x\\x00y\" listed in /src (it holds a path separator "
                            "or a NUL). Left out",
                            "Invalid name \"a/b\" listed in /dst (it holds a path separator or "
                            "a NUL). Left out"));
    EXPECT_THAT(Output.TextsOf(mcCopyFile), ElementsAre("fine.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/a"));
    EXPECT_TRUE(Destination.Exists("/dst/x"));
    EXPECT_THAT(Destination.CallsOf("DeleteFile"), IsEmpty());
    // Held back for a listing that could not be trusted, though nothing failed.
    EXPECT_TRUE(Final.DeletionsHeldBack);
    EXPECT_FALSE(Final.CopyErrors);
}

// A name the device itself could not hand on (a server's "a\b", say) counts
// like one left out here: the listing is not the folder's whole contents.
TEST_F(DeletionTest, EntriesTheDeviceLeftOutKeepTheFolderOutOfTheDeletionPass) {
    Source.AddFile("/src/sub/fine.txt", Noon, 1);
    Source.LeaveEntriesOutOf("/src/sub");
    Destination.AddFile("/dst/sub/a\\b", Noon, 1);
    Destination.AddFile("/dst/old/a.txt", Noon, 1);
    Destination.LeaveEntriesOutOf("/dst/old");
    RunWorker();
    EXPECT_TRUE(Destination.Exists("/dst/sub/a\\b"));
    // An obsolete folder whose listing is not whole loses what was listed, and stays.
    EXPECT_FALSE(Destination.Exists("/dst/old/a.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/old"));
    EXPECT_THAT(Destination.CallsOf("RemoveFolder"), IsEmpty());
}

TEST_F(DeletionTest, AnObsoleteFolderHoldingAnUnusableNameStays) {
    MemoryNode slashed;
    slashed.Name = "../../etc";
    Destination.AddFile("/dst/old/a.txt", Noon, 1);
    Destination.AddListedEntry("/dst/old", slashed);
    RunWorker();
    EXPECT_FALSE(Destination.Exists("/dst/old/a.txt"));
    EXPECT_TRUE(Destination.Exists("/dst/old"));
    EXPECT_THAT(Destination.CallsOf("RemoveFolder"), IsEmpty());
    EXPECT_THAT(Destination.CallsOf("DeleteFile"), ElementsAre("DeleteFile /dst/old/a.txt"));
}

}  // namespace
