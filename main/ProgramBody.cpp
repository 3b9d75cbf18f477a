#include "main/ProgramBody.h"

#include <chrono>
#include <exception>

#include "main/CommandLineReader.h"
#include "main/RunOutcome.h"
#include "main/RunSync.h"
#include "main/UsageText.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"

namespace {

// A /L log that cannot be created is said once, as the run starts, and the run
// goes on without it (a scheduled job would otherwise run on with no record).
// false when it could not be created.
bool CheckLogFile(VelCommandLineReader& reader) {
    if (reader.LogFile == nullptr || reader.LogFile->OpenLog()) return true;
    const std::string reason = platform::SystemErrorText(platform::GetLastErrorCode());
    reader.LogFile->Abandon();
    reader.Output->Message(mcWarning, "Cannot create the log file \"" + reader.LogFile->FileName +
                                          "\": " + reason + " The run goes on without it.");
    return false;
}

// The totals go to the console whatever its verbosity, and to the /L log, but
// not to the error log: they are neither a warning nor an error.
void ShowTotals(VelCommandLineReader& reader, const std::string& line) {
    reader.ConsoleFilter->Target().Message(mcInformation, line);
    if (reader.LogFile != nullptr) reader.LogFile->Message(mcInformation, line);
}

int Run(VelCommandLineReader& reader, const ConnectionOptions& source,
        const ConnectionOptions& destination, const VelSyncFlags& options,
        const RunSyncFunction& runSync) {
    VelRunOutcome outcome;
    outcome.LogFailed = !CheckLogFile(reader);
    const auto start = std::chrono::steady_clock::now();
    runSync(source, destination, options, *reader.Output);
    outcome.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (reader.Tally->Finished) outcome.Stats = reader.Tally->Final;
    outcome.Warnings = reader.Tally->Warnings;
    outcome.Errors = reader.Tally->Errors;
    outcome.Rehearsal = options.Simulate;
    if (reader.WantsTotals) ShowTotals(reader, TotalsLine(outcome));
    reader.Output.reset();
    return reader.WantsExitCode ? ExitCodeBits(outcome) : 0;
}

// exitCodeWanted: set once the command line says whether /ExitCode is given.
int ReadAndRun(const StringList& arguments, platform::Console& console,
               const RunSyncFunction& runSync, bool& exitCodeWanted) {
    VelArgumentHandler handler(arguments);
    VelSyncFlags options;
    ConnectionOptions source, destination;
    VelCommandLineReader reader(handler, options, source, destination, console);
    const bool read = reader.Read();
    exitCodeWanted = reader.WantsExitCode;
    if (!read) {
        reader.Output.reset();
        console.Write("VelCopy: " + reader.FatalProblem + "\r\n");
        return exitCodeWanted ? ExitBit::NotStarted | ExitBit::Errors : 1;
    }
    if (!reader.ShowUsage && handler.RemainingCount() == 0)
        return Run(reader, source, destination, options, runSync);
    if (handler.RemainingCount() > 0) {
        std::string leftOver;
        handler.RemainingAsText(leftOver);
        console.Write("Unrecognised arguments: " + leftOver + "\r\n");
    }
    console.Write(UsageText());
    // A job whose command line is at fault must not read as one with nothing to do.
    return exitCodeWanted && !reader.UsageAsked ? ExitBit::NotStarted : 0;
}

}  // namespace

int RunProgramBody(const StringList& arguments, platform::Console& console,
                   const RunSyncFunction& runSync) {
    // An error that nothing on the way handled (the error log failing during the
    // run, memory running out) ends the program here, after the chain has been
    // destroyed by the unwinding: one line, exit code 1 (under /ExitCode the bits
    // of a run that stopped on an error and could not go on), never a crash.
    bool exitCodeWanted = false;
    try {
        return ReadAndRun(arguments, console, runSync, exitCodeWanted);
    } catch (const std::exception& error) {
        console.Write(std::string("VelCopy: ") + error.what() + "\r\n");
    } catch (...) {
        console.Write("VelCopy: the program stopped on an unexpected error\r\n");
    }
    return exitCodeWanted ? ExitBit::NotStarted | ExitBit::Errors : 1;
}

int RunProgramBody(const StringList& arguments, platform::Console& console) {
    return RunProgramBody(arguments, console, RunSync);
}
