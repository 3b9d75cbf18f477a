#include <errno.h>
#include <unistd.h>

#include "platform/Console.h"

namespace platform {

namespace {

class StandardOutputConsole : public Console {
  public:
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
