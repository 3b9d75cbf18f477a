#pragma once
// Operations on local files and folders, the counterparts of CreateDirectory,
// RemoveDirectory, DeleteFile, MoveFile, Get/SetFileAttributes, SetFileTime and
// GetTempPath. Each returns false (or InvalidAttributes) on failure and leaves the
// reason as the thread's last error code; nothing is thrown. Safe from any thread.
//
// A file is read-only when its owner may not write it. As on Windows, a read-only file
// is protected also when the program runs with every privilege: deleting it, renaming
// onto it, overwriting it and setting its time fail with ErrorCode::AccessDenied
// (access denied) until WriteAttributes clears the state.

#include <cstdint>
#include <string>

#include "platform/FindData.h"

namespace platform {

constexpr uint32_t InvalidAttributes = 0xFFFFFFFFu;

// One folder whose parent exists. AlreadyExists when the name exists, PathNotFound when
// the parent does not.
bool MakeFolder(const std::string& path);

// An empty folder. A symbolic link to a folder is removed itself, never what it points
// to. DirNotEmpty when the folder is not empty, DirectoryInvalid when it is not a
// folder, FileNotFound/PathNotFound when it does not exist.
bool RemoveFolder(const std::string& path);

// A file or a symbolic link (the link is removed, never what it points to).
// AccessDenied for a folder or a read-only file, FileNotFound when the file does not
// exist, PathNotFound when its folder does not.
bool RemoveFile(const std::string& path);

// Renames a file or folder. An existing target is never replaced: AccessDenied when it
// is a read-only file, AlreadyExists otherwise (renaming a name onto itself, or onto
// another name of the same file, is allowed).
bool RenameFile(const std::string& from, const std::string& to);

// Attribute bits as a listing gives them (links followed; a dangling link reads
// as itself), or InvalidAttributes.
uint32_t ReadAttributes(const std::string& path);

// Applies the attribute bits. On Windows every bit the system lets a program set
// is written. On POSIX only the read-only bit: set, it removes every write
// permission; clear, it gives the owner write permission back; other mode bits
// stay and the other attribute bits are ignored.
bool WriteAttributes(const std::string& path, uint32_t attributes);

// Sets the last-write time only (the access time stays). The file is opened for writing
// as on Windows, so a folder or a read-only file fails with AccessDenied.
bool SetLastWriteTime(const std::string& path, const FileTime& lastWriteTime);
// The last-write time of a file (UTC, to the 100 ns the system keeps), links
// followed.
bool ReadLastWriteTime(const std::string& path, FileTime& lastWriteTime);

// The absolute path with every symbolic link, "." and ".." resolved; empty (with
// the reason as the last error) when some part of it does not exist.
std::string ResolvedPath(const std::string& path);

// The folder for temporary files, ending in the path separator: on POSIX $TMPDIR
// when it names a folder, else /tmp; on Windows the system's (GetTempPath).
std::string TemporaryFolder();

}  // namespace platform
