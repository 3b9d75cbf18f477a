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
    void Message(MessageClass cls, const VelMessageText& text) override {
        VelMessageText slashed(Slashed(text.Line(0)));
        for (size_t i = 1; i < text.LineCount(); ++i) slashed.Add(Slashed(text.Line(i)));
        RecordingOutput::Message(cls, slashed);
    }

private:
    static std::string Slashed(std::string text) {
        for (size_t i = 0; i < text.size(); ++i) {
            // \xNN stands for an unprintable byte of a name, not for a separator.
            if (text[i] == '\\' && text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
                std::isxdigit((unsigned char)text[i + 2]) &&
                std::isxdigit((unsigned char)text[i + 3])) {
                i += 3;
                continue;
            }
            if (text[i] == platform::PathSeparator) text[i] = '/';
        }
        return text;
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
