#pragma once
// The console: the program's standard output as a byte stream. Every Write goes
// out at once (nothing is held back in a buffer), so a progress line rewritten
// in place is visible while the run proceeds. The program writes its own line
// ends (CR LF on every platform). Used from the main thread only.

#include <string>

namespace platform {

class Console {
public:
    virtual ~Console() = default;
    // Writes the bytes as they are and flushes them. A console that cannot be
    // written to (standard output closed) drops them: nothing in the program
    // depends on the console's success.
    virtual void Write(const std::string& bytes) = 0;
};

// The process's standard output. Lives as long as the process.
Console& StandardConsole();

// A console that keeps everything written to it, for tests and for callers that
// want to look at the output before it is shown.
class CapturingConsole : public Console {
public:
    void Write(const std::string& bytes) override { Text += bytes; }
    std::string Text;
};

}  // namespace platform
