#include <gtest/gtest.h>

#include "output/BaseOutput.h"
#include "tests/support/RecordingOutput.h"

namespace {

MessageClass Class(int value) {
    return MessageClass(value);
}

TEST(BaseOutputTest, FormatTexts) {
    struct {
        MessageClass cls;
        std::string argument, expected;
    } cases[] = {
        {mcScanFolder, "", "Scanning folder: ."},
        {mcScanFolder, "\\sub", "Scanning folder: \\sub"},
        {mcScanBeforeDelete, "/old", "Scanning folder: /old prior to deleting it"},
        {mcUpToDate, "/a.txt", "File /a.txt does not need copying."},
        {mcSkipDeleteFile, "/x/y.txt", "/x/y.txt"},
        {mcSkipDeleteFolder, "/x", "/x"},
        {mcDebug, "x", "Debug: x"},
        {mcConnected, "ignored", "Connection established."},
        {mcError, "100% done %s %d", "100% done %s %d"},
        {mcCopyFile, "%s", "Copying file %s"},
        {Class(0), "zero", "zero"},
        {Class(12), "twelve", "twelve"},
        {Class(200), "high", "high"},
    };
    for (auto& c : cases)
        EXPECT_EQ(VelSyncBaseOutput::FormatMessage(c.cls, c.argument), c.expected) << int(c.cls);
}

TEST(BaseOutputTest, GroupsAreFixedRanges) {
    for (int value = 0; value < 256; ++value) {
        MessageClass cls = Class(value);
        int groups = VelSyncBaseOutput::IsDetailClass(cls) + VelSyncBaseOutput::IsActionClass(cls) +
                     VelSyncBaseOutput::IsWarningClass(cls) + VelSyncBaseOutput::IsErrorClass(cls);
        bool assigned = (value >= 1 && value <= 10) || (value >= 13 && value <= 23) ||
                        value == 26 || value == 29 || value == 30;
        EXPECT_EQ(groups, assigned ? 1 : 0) << value;
    }
    EXPECT_TRUE(VelSyncBaseOutput::IsErrorClass(mcDebug));
}

TEST(BaseOutputTest, LinePrefixesByGroup) {
    EXPECT_EQ(VelSyncBaseOutput::FormatLine(mcError, "e"), "!! Error: e");
    EXPECT_EQ(VelSyncBaseOutput::FormatLine(mcDebug, "x"), "!! Error: Debug: x");
    EXPECT_EQ(VelSyncBaseOutput::FormatLine(mcWarning, "Timedout - Retrying"),
              "!! Warning: Timedout - Retrying");
    EXPECT_EQ(VelSyncBaseOutput::FormatLine(mcCopyFile, "/a"), "Copying file /a");
    EXPECT_EQ(VelSyncBaseOutput::FormatLine(Class(27), "plain"), "plain");
}

TEST(BaseOutputTest, ReportRefreshesProgressThenWritesTheMessage) {
    RecordingOutput output;
    output.Refused = {mcScanSource};
    SyncStatistics stats;
    output.Report(stats, mcCopyFile, "/a");
    output.Report(stats, mcScanSource, "/b");
    EXPECT_EQ(output.Calls(), (std::vector<std::string>{"progress", "message 14 /a"}));
}

}  // namespace
