#pragma once
// A text file written line by line: the log file and the error log. Lines end in
// CR LF on every platform. Failures return false and leave the reason in the
// thread's last error code (platform/LastError.h, Windows numbering); a failed
// open leaves the object closed. Not shared between threads.

#include <cstdint>
#include <string>

namespace platform {

class TextFile {
public:
    TextFile() = default;
    ~TextFile();  // closes the file when it is open
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Creates the file, or empties an existing one, and opens it for writing.
    bool Create(const std::string& path);
    // Opens an existing file for writing at its end; fails with ErrorCode::FileNotFound
    // when there is no such file (it is not created).
    bool OpenForAppend(const std::string& path);
    // Writes text followed by CR LF, all of it or fail.
    bool WriteLine(const std::string& text);
    // Closes the file; true when it was not open.
    bool Close();
    bool IsOpen() const { return Handle >= 0; }

private:
    bool Open(const std::string& path, bool append);
    int64_t Handle = -1;  // the system's handle while open
};

}  // namespace platform
