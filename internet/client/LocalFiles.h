#pragma once
// Internal to the program's own FTP client: the local file of a transfer, read
// for an upload or written by a download. Each system implements it
// (internet/posix/, internet/win32/). Failures are the platform's error codes
// (FileNotFound, AccessDenied, DiskFull, ...).

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::ftpclient {

class LocalFile {
public:
    LocalFile() = default;
    // Closes the file, if still open, ignoring the outcome.
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // Opens an existing file for reading; a folder fails with AccessDenied.
    uint32_t OpenForReading(const std::string& path);
    // Creates the file, or empties an existing one, for writing. On Windows the
    // file can then be removed by an interrupt while a download writes it.
    uint32_t Create(const std::string& path);
    // Reads up to size bytes: got 0 at the end of the file.
    uint32_t Read(char* data, size_t size, size_t& got);
    uint32_t Write(const char* data, size_t size);
    // Closes the file; on Windows the system's "operation aborted" when an
    // interrupt took it.
    uint32_t Close();

private:
    intptr_t Handle = -1;
    bool Lent = false;  // Windows: lent to the interrupt handler
};

// Whether anything (a file, a folder, a link) has that path.
bool LocalPathExists(const std::string& path);
// Removes a file; nothing happens when there is none.
void RemoveLocalFile(const std::string& path);

}  // namespace platform::ftpclient
