#pragma once
// Internal to the POSIX layer: the one place where errno values become the
// program's (Windows) error codes. Every platform call that fails goes through
// here and leaves the code as the thread's last error.

#include <cstdint>
#include <string>

namespace platform::posix {

// What the failed call named. A few errno values read differently for a folder than for
// a file, as the Windows calls report them: ENOENT is PathNotFound for a folder and
// FileNotFound for a file, ENOTDIR DirectoryInvalid when the folder itself is not one
// (PathNotFound for a file, where a part of its path was not a folder), EEXIST
// AlreadyExists for a folder or a rename target and FileExists for a file that is
// created.
enum class ErrnoSubject { File, Folder, RenameTarget };

uint32_t ErrorCodeFromErrno(int error, ErrnoSubject subject = ErrnoSubject::File);

// Maps `error` and makes it the thread's last error code.
void SetLastErrorFromErrno(int error, ErrnoSubject subject = ErrnoSubject::File);

// As SetLastErrorFromErrno for a file path, except that ENOENT becomes PathNotFound
// (path not found) when the folder that would hold `path` does not exist either, as
// Windows tells the two apart.
void SetLastErrorForPath(int error, const std::string& path);

}  // namespace platform::posix
