// A failed step stops the run without /C (an error ending "Stopping") and is
// passed over with /C (a warning ending "Continuing"): one table over every kind
// of step that can fail this way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "tests/sync/WorkerFixture.h"

namespace {

struct FailedStep {
    const char* Step;
    std::function<void(MemoryStorageDevice& source, MemoryStorageDevice& destination)> Arrange;
    std::string StopError;        // the last line of the run without /C
    std::string ContinueWarning;  // the warning with /C
    // Whether the run went on after the failure: by default z.txt, which comes
    // after the failing step, was copied.
    std::function<bool(MemoryStorageDevice& destination)> WentOn =
        [](MemoryStorageDevice& destination) { return destination.Exists("/dst/z.txt"); };
};

const FailedStep FailedSteps[] = {
    {"copy",
     [](MemoryStorageDevice&, MemoryStorageDevice& destination) {
         destination.FailOn("PutFile", "a.txt", ErrorCode::DiskFull);
     },
     "!! Error: Failed to copy file /src/a.txt. " + platform::SystemErrorText(ErrorCode::DiskFull) +
         " (112). Stopping",
     "Failed to copy file /src/a.txt. " + platform::SystemErrorText(ErrorCode::DiskFull) +
         " Continuing"},
    {"folder creation",
     [](MemoryStorageDevice&, MemoryStorageDevice& destination) {
         destination.FailOn("CreateFolder", "/dst/a.txt.d", ErrorCode::AccessDenied);
     },
     "!! Error: Failed to create directory: /dst/a.txt.d. Stopping",
     "Failed to create directory: /dst/a.txt.d. Continuing"},
    {"source listing",
     [](MemoryStorageDevice& source, MemoryStorageDevice&) {
         source.FailOn("ListFolder", "/src/a.txt.d", ErrorCode::AccessDenied);
     },
     "!! Error: Failed to list folder /src/a.txt.d. " +
         platform::SystemErrorText(ErrorCode::AccessDenied) + " (5). Stopping",
     "Failed to list folder /src/a.txt.d. " + platform::SystemErrorText(ErrorCode::AccessDenied) +
         " Continuing"},
    {"file deletion",
     [](MemoryStorageDevice&, MemoryStorageDevice& destination) {
         destination.AddFile("/dst/a.txt.old", 45000.5, 1);
         destination.AddFile("/dst/z.txt.old", 45000.5, 1);
         destination.FailOn("DeleteFile", "a.txt.old", ErrorCode::AccessDenied);
     },
     "!! Error: Failed to delete file: /dst/a.txt.old. stopping",
     "Failed to delete file: /dst/a.txt.old. Continuing",
     [](MemoryStorageDevice& destination) { return !destination.Exists("/dst/z.txt.old"); }},
};

class ContinueOnErrorTest : public WorkerTest, public testing::WithParamInterface<FailedStep> {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        Options.Recurse = true;
        Options.DeleteObsolete = true;
        Options.IgnoreErrors = true;  // so that the deletions run after a failed copy
        Source.AddFile("/src/a.txt", Noon, 1);
        Source.AddFile("/src/a.txt.d/in.txt", Noon, 1);
        Source.AddFile("/src/z.txt", Noon, 1);
        GetParam().Arrange(Source, Destination);
    }

    bool WentOn() { return GetParam().WentOn(Destination); }
};

TEST_P(ContinueOnErrorTest, StopsWithoutContinueAndGoesOnWithIt) {
    RunWorker();
    EXPECT_EQ(Output.Lines().back(), GetParam().StopError);
    EXPECT_FALSE(WentOn()) << "the run went on after the failure";
    if (std::string(GetParam().Step) != "file deletion") {
        EXPECT_TRUE(Final.CopyErrors);
    }

    Options.ContinueOnError = true;
    Output = RecordingOutput{};
    RunWorker();
    EXPECT_THAT(Output.TextsOf(mcWarning), testing::Contains(GetParam().ContinueWarning));
    EXPECT_TRUE(WentOn()) << "the run stopped after the failure";
}

INSTANTIATE_TEST_SUITE_P(EveryStep, ContinueOnErrorTest, testing::ValuesIn(FailedSteps),
                         [](const testing::TestParamInfo<FailedStep>& info) {
                             std::string name = info.param.Step;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

}  // namespace
