#pragma once
// A backup worker between two in-memory devices, source root /src and
// destination root /dst, with the options the command line gives when no switch
// is set (no /S, no /N).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/DateTime.h"
#include "common/SyncFlags.h"
#include "sync/BackupWorker.h"
#include "tests/support/MemoryStorageDevice.h"
#include "tests/support/RecordingOutput.h"

class WorkerTest : public testing::Test {
protected:
    // Noon on a day in 2023.
    static constexpr double Noon = 45000.5;

    void SetUp() override {
        Options.Recurse = false;
        Options.NewerOnly = false;
        Source.AddFolder("/src");
        Destination.AddFolder("/dst");
    }

    void RunWorker(const std::string& source = "/src", const std::string& destination = "/dst") {
        VelSyncBackupWorker worker(Output);
        worker.Run(source, Source, Options, Destination, destination);
        Final = worker.Statistics();
        FinalRenameState = worker.CurrentRenameState();
    }

    static double Seconds(double seconds) { return seconds * OneSecond; }

    MemoryStorageDevice Source;
    MemoryStorageDevice Destination;
    RecordingOutput Output;
    VelSyncFlags Options;
    SyncStatistics Final;
    RenameState FinalRenameState = RenameState::NotKnown;
};
