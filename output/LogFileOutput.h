#pragma once
// Messages as lines of a text file: the log file of /L (rewritten each run,
// every message, no times) and the error log of /E (appended to, each line
// time-stamped). The file is opened by the first message, so a log that is
// never sent a message is never created or touched. Main thread only.
//
// Failures: a log without loAppend that cannot be created drops the message and
// tries again at the next one, unless it has been abandoned for the run. An
// appending log that can be neither opened nor created, and any line that
// cannot be written, throw VelOutputError (output/OutputError.h) out of Message.

#include <cstdint>
#include <string>

#include "output/BaseOutput.h"
#include "platform/TextFile.h"

enum LogOption : uint8_t {
    loAppend = 1,     // add to an existing file instead of rewriting it
    loTimestamp = 2,  // begin each line with the local date and time
};
using LogOptionSet = uint8_t;

class VelSyncLogFileOutput : public VelSyncBaseOutput {
public:
    // Stores both; the file is not touched.
    VelSyncLogFileOutput(const std::string& fileName, LogOptionSet options);
    ~VelSyncLogFileOutput() override;  // CloseLog

    void ShowProgress(const SyncStatistics& stats) override;  // log files carry no progress
    void Finish(const SyncStatistics& stats) override;        // CloseLog
    void Message(MessageClass cls, const VelMessageText& text) override;

    // True when the file is open, or could be opened now.
    bool OpenLog();
    void CloseLog();
    // From now on messages are dropped without trying to open the file (a log
    // found unwritable when the run starts, and reported then).
    void Abandon() { Abandoned = true; }

    bool IsOpen() const { return File.IsOpen(); }
    const std::string FileName;
    const LogOptionSet LogOptions;

private:
    std::string LinesFor(MessageClass cls, const VelMessageText& text) const;

    platform::TextFile File;
    // Set once the file has been opened in this run: a later reopening (a
    // message after Finish) appends instead of wiping what the run wrote.
    bool WrittenThisRun = false;
    bool Abandoned = false;
};
