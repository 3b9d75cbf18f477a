#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include "platform/Console.h"

namespace platform {

namespace {

class StandardOutputConsole : public Console {
public:
    // A reader that went away (VelCopy ... | head) must not end a run half-way
    // through a copy or a deletion: its writes fail with EPIPE and are dropped,
    // as a console that cannot be written to is, and the run completes.
    StandardOutputConsole() { signal(SIGPIPE, SIG_IGN); }

    // write(2) straight to descriptor 1: there is no user-space buffer to flush,
    // and a short write (a pipe under load) is continued until all is out.
    void Write(const std::string& bytes) override {
        const char* data = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            ssize_t written = ::write(STDOUT_FILENO, data, left);
            if (written < 0) {
                if (errno == EINTR) continue;
                return;
            }
            data += written;
            left -= size_t(written);
        }
    }
};

}  // namespace

Console& StandardConsole() {
    static StandardOutputConsole console;
    return console;
}

}  // namespace platform
