#pragma once
// Runs the program body with captured standard output and a stand-in run
// driver that records what it was handed and can send messages through the
// output chain it was given.

#include <gtest/gtest.h>

#include <functional>

#include "main/ProgramBody.h"
#include "main/UsageText.h"
#include "platform/Console.h"

struct RunRecord {
    bool Ran = false;
    ConnectionOptions Source, Destination;
    VelSyncFlags Options;
    std::string ConsoleBefore;  // what stood on the console when the run began
};

class ProgramBodyTest : public ::testing::Test {
protected:
    int Run(const StringList& arguments) {
        return RunProgramBody(
            arguments, console,
            [this](const ConnectionOptions& source, const ConnectionOptions& destination,
                   const VelSyncFlags& options, VelSyncBaseOutput& output) {
                EXPECT_FALSE(run.Ran) << "the driver ran twice";
                run.Ran = true;
                run.Source = source;
                run.Destination = destination;
                run.Options = options;
                run.ConsoleBefore = console.Text;
                if (during) during(output);
            });
    }

    // What the console shows of a probe run: a progress update, then one report
    // of each group, then Finish.
    std::string ProbeConsole(const StringList& arguments) {
        during = [](VelSyncBaseOutput& output) {
            SyncStatistics stats;
            stats.FilesFound = 1;
            output.ShowProgress(stats);
            output.Report(stats, mcScanSource, "detail");
            output.Report(stats, mcCopyFile, "action");
            output.Report(stats, mcWarning, "warn");
            output.Finish(stats);
        };
        EXPECT_EQ(Run(arguments), 0);
        EXPECT_TRUE(run.Ran);
        return console.Text.substr(run.ConsoleBefore.size());
    }

    platform::CapturingConsole console;
    RunRecord run;
    std::function<void(VelSyncBaseOutput&)> during;
};
