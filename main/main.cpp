// Program entry: the arguments after the program name go to the program body,
// whose result is the exit code.

#include "main/ProgramBody.h"
#include "platform/InterruptCleanup.h"
#include "platform/Locale.h"

int main(int argc, char** argv) {
    platform::UseUserLocale();
    // Ctrl-C and the like still end a run at once, but never leave the file
    // being copied half-written under a temporary name.
    platform::RemoveRegisteredFilesOnInterrupt();
    StringList arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    return RunProgramBody(arguments, platform::StandardConsole());
}
