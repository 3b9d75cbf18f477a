#pragma once
// Runs the built VelCopy as a process and collects what it printed on standard
// output and how it ended; optionally as the unprivileged user nobody, so that
// permission failures can be made although the tests run as root (on Windows
// the tests already run without privileges, and the program runs as they do).
//
// A program that could not be started at all is a failure of the test with its
// reason ("could not start ...: Permission denied"), never an outcome that looks
// like the program's own.

#include <string>
#include <vector>

struct BinaryOutcome {
    std::string Output;
    int ExitCode = -1;       // -1 when the process did not exit normally
    bool Signalled = false;  // it was ended by a signal (a crash)
    bool Started = false;    // the program was started at all
};

// BinaryOutcome RunBinary(std::vector<std::string> arguments, bool asNobody = false);
#include "SystemRunBinary.h"
