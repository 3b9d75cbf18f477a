#pragma once
// Copying one local file, the counterpart of CopyFile with fail-if-exists false.

#include <string>

namespace platform {

// Copies the content, the permission bits (and so the read-only state) and the
// modification time of `source` to `destination`, replacing an existing file.
// The kernel copies the data where it can (copy_file_range, then sendfile, then
// a plain read/write loop).
//
// The destination's name shows either what it held before or the complete
// copy, never a part of it: the data go to a temporary file in the
// destination's folder (a name for which IsCopyTemporaryName is true), which
// takes the destination's name only when it is complete. A failed copy removes
// its temporary file and leaves an existing destination as it was, and so does
// an interrupt of the process (see InterruptCleanup.h) while the file is being
// written. Only a process that is killed outright leaves one behind.
//
// Fails with ErrorCode::AccessDenied when the source is not a regular file (a folder, a
// named pipe, a device: nothing waits for a pipe's writer) or the destination is a
// folder or a read-only file, FileNotFound/PathNotFound when the source or the
// destination's folder is missing, DiskFull when the disk fills; the reason is the
// thread's last error code.
bool CopyFileOver(const std::string& source, const std::string& destination);

// True for the names CopyFileOver gives its temporary files (".velcopy-" and six
// letters or digits): one found in a folder is what a killed copy left behind.
// The names are short, so they fit wherever the destination's name fits.
bool IsCopyTemporaryName(const std::string& name);

}  // namespace platform
