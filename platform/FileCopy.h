#pragma once
// Copying one local file, the counterpart of CopyFile with fail-if-exists false.

#include <string>

namespace platform {

// Copies the content, the permission bits (and so the read-only state) and the
// modification time of `source` to `destination`, replacing an existing file.
// The kernel copies the data where it can (copy_file_range, then sendfile, then
// a plain read/write loop).
//
// An existing destination is replaced only once the new copy is complete: the
// data go to a temporary file in the destination's folder, renamed over the old
// one at the end; a failed copy removes its partial file and leaves the old one
// as it was. A new destination that fails half-way is removed.
//
// Fails with 5 when the source is not a regular file (a folder, a named pipe, a
// device: nothing waits for a pipe's writer) or the destination is a folder or a
// read-only file, 2/3 when the
// source or the destination's folder is missing, 112 when the disk fills; the
// reason is the thread's last error code.
bool CopyFileOver(const std::string& source, const std::string& destination);

}  // namespace platform
