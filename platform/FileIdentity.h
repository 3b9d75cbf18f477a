#pragma once
// What tells one file or folder apart from every other on this machine,
// whichever path leads to it: through symbolic links, "." and "..", or a second
// mount of the same folder. On POSIX the device and inode numbers; on Windows
// the volume serial number and the file index (GetFileInformationByHandle).

#include <cstdint>
#include <string>

namespace platform {

struct FileIdentity {
    uint64_t Volume = 0;
    uint64_t Index = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of what `path` leads to, links followed. False, with the reason as the
// thread's last error code, when it cannot be examined (FileNotFound/PathNotFound
// missing, AccessDenied access denied on the way, ...). Safe from any thread.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

}  // namespace platform
