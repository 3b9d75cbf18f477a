#include "platform/FileCopy.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "common/ErrorCodes.h"
#include "platform/CopyTemporaryName.h"
#include "platform/InterruptCleanup.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"
#include "platform/posix/FileStatus.h"

namespace platform {

namespace {

constexpr size_t CopyChunk = size_t(1) << 30;
constexpr size_t LoopBuffer = size_t(1) << 20;

// The errors after which the next, plainer way of copying may still work.
bool TryPlainer(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF || error == EPERM || error == ETXTBSY;
}

// 0 when the content was copied, an errno otherwise; `handled` tells whether
// the method did any work, so that a later one does not start in the middle.
int CopyWithKernel(int in, int out, bool useCopyRange, bool& handled) {
    handled = false;
    for (;;) {
        ssize_t done = useCopyRange ? copy_file_range(in, nullptr, out, nullptr, CopyChunk, 0)
                                    : sendfile(out, in, nullptr, CopyChunk);
        if (done == 0) return 0;
        if (done < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        handled = true;
    }
}

int CopyWithLoop(int in, int out) {
    std::unique_ptr<char[]> buffer(new char[LoopBuffer]);
    for (;;) {
        ssize_t got = read(in, buffer.get(), LoopBuffer);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (ssize_t written = 0; written < got;) {
            ssize_t put = write(out, buffer.get() + written, size_t(got - written));
            if (put < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            written += put;
        }
    }
}

int CopyContent(int in, int out) {
    bool handled = false;
    int error = CopyWithKernel(in, out, true, handled);
    if (error == 0 || handled || !TryPlainer(error)) return error;
    error = CopyWithKernel(in, out, false, handled);
    if (error == 0 || handled || !TryPlainer(error)) return error;
    return CopyWithLoop(in, out);
}

// Content, permission bits and times into `out`, which is closed here. 0 or an errno.
int WriteCopy(int in, const struct stat& source, int out) {
    int error = CopyContent(in, out);
    if (error == 0 && fchmod(out, source.st_mode & 07777) != 0) error = errno;
    if (error == 0) {
        struct timespec times[2] = {source.st_atim, source.st_mtim};
        if (futimens(out, times) != 0) error = errno;
    }
    // A network file system may report a failed write only when the file closes.
    if (close(out) != 0 && error == 0) error = errno;
    return error;
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

// Gives the complete copy at `temporary` the destination's name: a new name at
// once, an existing file replaced unless it is a folder or read-only (EACCES).
// 0 or an errno.
int TakeDestinationName(const std::string& temporary, const std::string& destination) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) ==
        0)
        return 0;
    // EINVAL: the file system cannot refuse to replace; the check below decides.
    if (errno != EEXIST && errno != EINVAL) return errno;
    struct stat existing;
    if (stat(destination.c_str(), &existing) == 0 &&
        (S_ISDIR(existing.st_mode) || posix::IsReadOnlyFile(existing)))
        return EACCES;
    return rename(temporary.c_str(), destination.c_str()) == 0 ? 0 : errno;
}

// Writes the copy to a temporary file beside the destination and gives it the
// destination's name only once it is complete, so that the name never shows a
// partial copy: an existing file stays as it was until then, a new name does
// not exist until then. A failed copy removes its temporary file, and so does
// an interrupt while it is being written.
bool CopyThroughTemporary(int in, const struct stat& source, const std::string& destination) {
    std::string temporary =
        FolderOf(destination) + "/" + CopyTemporaryHead +
        std::string(CopyTemporaryTail, 'X');  // mkostemp fills in the random part
    int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        posix::SetLastErrorForPath(errno, destination);
        return false;
    }
    RemovedOnInterrupt cleanup(temporary);
    int error = WriteCopy(in, source, out);
    if (error == 0) error = TakeDestinationName(temporary, destination);
    if (error != 0) {
        unlink(temporary.c_str());
        posix::SetLastErrorFromErrno(error);
        return false;
    }
    return true;
}

}  // namespace

bool CopyFileOver(const std::string& source, const std::string& destination) {
    // Non-blocking, so that a named pipe without a writer cannot hang the open;
    // only a regular file has content to copy.
    int in = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        posix::SetLastErrorForPath(errno, source);
        return false;
    }
    struct stat info;
    if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(in);
        SetLastErrorCode(ErrorCode::AccessDenied);
        return false;
    }
    bool copied = CopyThroughTemporary(in, info, destination);
    close(in);
    if (copied) SetLastErrorCode(ErrorCode::Success);
    return copied;
}

}  // namespace platform
