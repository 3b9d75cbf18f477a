#include "main/ProgramBody.h"

#include <exception>

#include "main/CommandLineReader.h"
#include "main/RunSync.h"
#include "main/UsageText.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"

namespace {

// A /L log that cannot be created is said once, as the run starts, and the run
// goes on without it (a scheduled job would otherwise run on with no record).
void CheckLogFile(VelCommandLineReader& reader) {
    if (reader.LogFile == nullptr || reader.LogFile->OpenLog()) return;
    const std::string reason = platform::SystemErrorText(platform::GetLastErrorCode());
    reader.LogFile->Abandon();
    reader.Output->Message(mcWarning, "Cannot create the log file \"" + reader.LogFile->FileName +
                                          "\": " + reason + " The run goes on without it.");
}

int ReadAndRun(const StringList& arguments, platform::Console& console,
               const RunSyncFunction& runSync) {
    VelArgumentHandler handler(arguments);
    VelSyncFlags options;
    ConnectionOptions source, destination;
    VelCommandLineReader reader(handler, options, source, destination, console);
    if (!reader.Read()) {
        reader.Output.reset();
        console.Write("VelCopy: " + reader.FatalProblem + "\r\n");
        return 1;
    }
    if (!reader.ShowUsage && handler.RemainingCount() == 0) {
        CheckLogFile(reader);
        runSync(source, destination, options, *reader.Output);
        reader.Output.reset();
        return 0;
    }
    if (handler.RemainingCount() > 0) {
        std::string leftOver;
        handler.RemainingAsText(leftOver);
        console.Write("Unrecognised arguments: " + leftOver + "\r\n");
    }
    console.Write(UsageText());
    return 0;
}

}  // namespace

int RunProgramBody(const StringList& arguments, platform::Console& console,
                   const RunSyncFunction& runSync) {
    // An error that nothing on the way handled (the error log failing during the
    // run, memory running out) ends the program here, after the chain has been
    // destroyed by the unwinding: one line, exit code 1, never a crash.
    try {
        return ReadAndRun(arguments, console, runSync);
    } catch (const std::exception& error) {
        console.Write(std::string("VelCopy: ") + error.what() + "\r\n");
    } catch (...) {
        console.Write("VelCopy: the program stopped on an unexpected error\r\n");
    }
    return 1;
}

int RunProgramBody(const StringList& arguments, platform::Console& console) {
    return RunProgramBody(arguments, console, RunSync);
}
