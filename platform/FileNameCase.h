#pragma once
// How the local file system compares file names.

namespace platform {

// True when names that differ only in letter case name the same file (Windows),
// false when they are two files (POSIX file systems).
bool FileNamesIgnoreCase();

}  // namespace platform
