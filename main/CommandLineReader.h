#pragma once
// Reads the switches into the options record and the two side descriptions,
// in the program's fixed order of lookups, and builds the output chain on the
// way. The order is part of the behaviour: a lookup consumes the first
// remaining argument that begins with the name, so longer names are looked up
// before their prefixes (/ChmodF, /CH, /C; /Sim, /S; /delete, /D; ...).
//
// Messages about the command line itself ("Could not parse date: ...") go
// straight to the console, not through the chain. Borrows everything it is
// given; owns the chain until the caller takes it. Main thread only.

#include <memory>
#include <string>

#include "common/SyncFlags.h"
#include "main/ArgumentHandler.h"
#include "main/ConnectionOptions.h"
#include "output/BaseOutput.h"
#include "output/FilterOutputByClass.h"
#include "output/LogFileOutput.h"
#include "output/TallyOutput.h"
#include "platform/Console.h"

class VelCommandLineReader {
public:
    // The longest /T prefix accepted: what is left of a name's 255 bytes holds
    // the file's own name (shortened when it has to be).
    static constexpr size_t MaxTempPrefixLength = 100;
    static constexpr uint32_t MaxParallelCopies = 16;

    VelCommandLineReader(VelArgumentHandler& arguments, VelSyncFlags& options,
                         ConnectionOptions& source, ConnectionOptions& destination,
                         platform::Console& console);

    // Every lookup, then the two locations. False only for an error that ends
    // the program (a bad /F value); FatalProblem then says what it was.
    bool Read();

    bool ShowUsage = false;
    bool UsageAsked = false;  // by /H or /?, not for a fault of the command line
    // /ExitCode: the exit code tells what happened; /Stats: the run ends with
    // its totals.
    bool WantsExitCode = false;
    bool WantsTotals = false;
    std::string FatalProblem;
    // The root of the output chain (built by Read): the tally of its warnings
    // and errors, in front of the chain proper.
    std::unique_ptr<VelSyncBaseOutput> Output;
    TVelSyncTallyOutput* Tally = nullptr;
    // The filter in front of the console, inside the chain.
    TVelSyncFilterOutputByClass* ConsoleFilter = nullptr;
    // The /L log inside the chain; null without /L.
    VelSyncLogFileOutput* LogFile = nullptr;

private:
    void ReadUsageSwitch();
    void ReadModes();
    void ReadFlags();
    void BuildConsole();
    void ReadVerbosity();
    void ReadStartDate();
    void ReadDrift();
    void JoinLogFiles();
    void JoinTally();
    void ReadTransferModes(ConnectionOptions& side, const ConnectionOptions* fallback);
    void ReadLogins();
    void ReadTempPrefix(const std::string& prefix);
    // /Cert for both sides, a second for the destination; false (FatalProblem
    // set) for a value that is neither a fingerprint nor a readable PEM file.
    bool ReadCertificates();
    // /MT:n; false (FatalProblem set) for a value outside 1 to MaxParallelCopies.
    bool ReadParallelCopies();
    bool ReadCertificate(const std::string& value, platform::CertificateTrust& trust);
    bool ReadFSwitch();
    void ReadTextFileSpecs();
    void ReadSpecs();
    void ReadLocations();

    bool Take(const std::string& name);
    bool TakeValue(const std::string& name, std::string& value);
    void WriteLine(const std::string& text);

    VelArgumentHandler& Arguments;
    VelSyncFlags& Options;
    ConnectionOptions& Source;
    ConnectionOptions& Destination;
    platform::Console& Console;
};
