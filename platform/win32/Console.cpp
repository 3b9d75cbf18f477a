#include <windows.h>

#include "platform/Console.h"

namespace platform {

namespace {

// WriteFile on the standard output handle: bytes go out unchanged (no CR LF
// translation, no code page conversion) and nothing is buffered in the process.
class StandardOutputConsole : public Console {
public:
    void Write(const std::string& bytes) override {
        DWORD lastError = ::GetLastError();
        HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
        const char* data = bytes.data();
        size_t left = bytes.size();
        while (output != nullptr && output != INVALID_HANDLE_VALUE && left > 0) {
            DWORD chunk = left > 0x10000000 ? 0x10000000 : DWORD(left);
            DWORD written = 0;
            if (!::WriteFile(output, data, chunk, &written, nullptr) || written == 0) break;
            data += written;
            left -= written;
        }
        // Writing to the console never disturbs the reason of a failure that a
        // caller is about to report.
        ::SetLastError(lastError);
    }
};

}  // namespace

Console& StandardConsole() {
    static StandardOutputConsole console;
    return console;
}

}  // namespace platform
