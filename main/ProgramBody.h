#pragma once
// The program body: reads the command line, builds the output chain, and either
// writes the usage text or hands both sides, the options and the chain to the
// run driver. Owns the argument handler, the options, both sides and the chain;
// the chain is destroyed after the run, which destroys every output in it.
//
// Returns the exit code: 0 whatever the run reported, also after the usage
// text; 1 only after an error nothing handles (a bad /F value, an error log
// that can be neither appended to nor created), reported on one console line
// beginning "VelCopy: ". With /ExitCode the code is the sum of the bits of
// main/RunOutcome.h instead; with /Stats the run ends with its totals line.
// Main thread only.

#include <functional>

#include "common/SyncFlags.h"
#include "main/ArgumentHandler.h"
#include "main/ConnectionOptions.h"
#include "output/BaseOutput.h"
#include "platform/Console.h"

using RunSyncFunction =
    std::function<void(const ConnectionOptions& source, const ConnectionOptions& destination,
                       const VelSyncFlags& options, VelSyncBaseOutput& output)>;

// arguments: those after the program name. runSync: the run driver (tests pass
// their own to see what it is given).
int RunProgramBody(const StringList& arguments, platform::Console& console,
                   const RunSyncFunction& runSync);
int RunProgramBody(const StringList& arguments, platform::Console& console);
