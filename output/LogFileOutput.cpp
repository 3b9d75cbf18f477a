#include "output/LogFileOutput.h"

#include "common/ErrorCodes.h"
#include "output/OutputError.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "platform/LocalClock.h"
#include "platform/Locale.h"

namespace {

[[noreturn]] void ThrowFileError(const std::string& action, const std::string& fileName) {
    throw VelOutputError(action + " \"" + fileName +
                         "\": " + platform::SystemErrorText(platform::GetLastErrorCode()));
}

}  // namespace

VelSyncLogFileOutput::VelSyncLogFileOutput(const std::string& fileName, LogOptionSet options)
    : FileName(fileName), LogOptions(options) {}

VelSyncLogFileOutput::~VelSyncLogFileOutput() {
    CloseLog();
}

void VelSyncLogFileOutput::ShowProgress(const SyncStatistics&) {}

void VelSyncLogFileOutput::Finish(const SyncStatistics&) {
    CloseLog();
}

bool VelSyncLogFileOutput::OpenLog() {
    if (File.IsOpen()) return true;
    const bool appending = (LogOptions & loAppend) != 0;
    bool opened;
    if (appending || WrittenThisRun) {
        opened = File.OpenForAppend(FileName);
        // Only a missing file is created afresh: a log that exists but cannot be
        // opened is never emptied.
        if (!opened && platform::GetLastErrorCode() == ErrorCode::FileNotFound)
            opened = File.Create(FileName);
    } else {
        opened = File.Create(FileName);
    }
    if (!opened) {
        if (!appending) return false;
        ThrowFileError("cannot append to or create the log file", FileName);
    }
    WrittenThisRun = true;
    return true;
}

void VelSyncLogFileOutput::CloseLog() {
    File.Close();
}

// One message's lines; only the first carries the time, so that the lines after
// it read as the message's own.
std::string VelSyncLogFileOutput::LinesFor(MessageClass cls, const VelMessageText& text) const {
    const std::vector<std::string> formatted = FormatLines(cls, text);
    std::string lines = formatted.front();
    for (size_t i = 1; i < formatted.size(); ++i) lines += "\r\n" + formatted[i];
    if ((LogOptions & loTimestamp) == 0) return lines;
    // The "c " format: date, time (left out at midnight) and a blank.
    return platform::FormatDateTimeC(platform::CurrentLocalDateTime()) + " " + lines;
}

void VelSyncLogFileOutput::Message(MessageClass cls, const VelMessageText& text) {
    if (Abandoned || !OpenLog()) return;
    if (!File.WriteLine(LinesFor(cls, text)))
        ThrowFileError("cannot write to the log file", FileName);
}
