#pragma once
// A backup worker between two in-memory devices, source root /src and
// destination root /dst, with the options the command line gives when no switch
// is set (no /S, no /N).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "common/DateTime.h"
#include "common/SyncFlags.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "tests/support/MemoryStorageDevice.h"
#include "tests/support/RecordingOutput.h"

// Messages recorded with the platform's separator written as "/", the way the
// in-memory devices keep their paths, so that one expectation serves every build
// (the separator itself is tested on real folders).
class SlashedRecordingOutput : public RecordingOutput {
public:
    using RecordingOutput::operator=;
    void Message(MessageClass cls, const std::string& text) override {
        std::string slashed = text;
        for (size_t i = 0; i < slashed.size(); ++i) {
            // \xNN stands for an unprintable byte of a name, not for a separator.
            if (slashed[i] == '\\' && slashed.compare(i, 2, "\\x") == 0 && i + 3 < slashed.size() &&
                std::isxdigit((unsigned char)slashed[i + 2]) &&
                std::isxdigit((unsigned char)slashed[i + 3])) {
                i += 3;
                continue;
            }
            if (slashed[i] == platform::PathSeparator) slashed[i] = '/';
        }
        RecordingOutput::Message(cls, slashed);
    }
};

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
    SlashedRecordingOutput Output;
    VelSyncFlags Options;
    SyncStatistics Final;
    RenameState FinalRenameState = RenameState::NotKnown;
};
