#pragma once
// Enumerating a local folder into find records, the counterpart of
// FindFirstFile / FindNextFile / FindClose.

#include <functional>
#include <string>

#include "platform/FindData.h"

namespace platform {

// Lists the entries of a local folder that match a pattern: a folder path, the
// path separator and a last component that is "*" (every entry), a single name
// (at most that entry) or a wildcard mask where "*" matches any run of bytes and
// "?" one byte ("*.*" matches every name, as on Windows). A pattern without a
// separator names an entry of the current directory. Names match as the file
// system compares them: byte for byte on POSIX, ignoring case on Windows. "."
// and ".." are listed like any other entry, in the order the file system keeps
// them.
//
// Each record carries the name, the attribute bits (Directory, ReadOnly when the
// owner may not write, Hidden for a leading dot, ReparsePoint for a symbolic link,
// Device for what is neither a regular file nor a folder, Normal when none
// applies), the size halves, and the last-write, last-access and
// creation times (POSIX keeps no creation time: the inode change time stands in).
// Symbolic links are followed for type, size and times; a link that leads nowhere
// is listed as itself. The records come in enumeration order, each handed to
// `onRecord` and not kept.
//
// Returns true when the enumeration ran to its end; the thread's last error code is
// then ErrorCode::NoMoreFiles, whether or not anything matched. An entry that vanished
// between reading the folder and examining it is left out silently. Returns false when
// the folder could not be read, or an entry in it could not be examined (a folder that
// may be read but not entered): the code then says why (PathNotFound, DirectoryInvalid
// for what is not a folder, AccessDenied, FilenameExcedRange for a name too long, ...),
// and records already handed over stay handed over.
bool FindFiles(const std::string& pattern, const std::function<void(const FindData&)>& onRecord);

// The wildcard test FindFiles applies to one name ("*" any run, "?" one byte).
bool MatchesFindMask(const std::string& name, const std::string& mask);

}  // namespace platform
