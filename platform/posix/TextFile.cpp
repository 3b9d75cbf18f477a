#include "platform/TextFile.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"

namespace platform {

namespace {

bool Fail(int error) {
    posix::SetLastErrorFromErrno(error);
    return false;
}

}  // namespace

TextFile::~TextFile() {
    Close();
}

bool TextFile::Open(const std::string& path, bool append) {
    Close();
    if (path.empty()) return Fail(ENOENT);
    int flags = O_WRONLY | O_CLOEXEC | (append ? O_APPEND : (O_CREAT | O_TRUNC));
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(errno);
    Handle = fd;
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

bool TextFile::Create(const std::string& path) {
    return Open(path, false);
}

bool TextFile::OpenForAppend(const std::string& path) {
    return Open(path, true);
}

bool TextFile::WriteLine(const std::string& text) {
    if (!IsOpen()) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return false;
    }
    std::string line = text + "\r\n";
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t written = ::write(int(Handle), data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        data += written;
        left -= size_t(written);
    }
    return true;
}

bool TextFile::Close() {
    if (!IsOpen()) return true;
    int fd = int(Handle);
    Handle = -1;
    // A close interrupted by a signal has still released the descriptor on
    // Linux; retrying could close a descriptor another part has opened since.
    if (::close(fd) != 0 && errno != EINTR) return Fail(errno);
    return true;
}

}  // namespace platform
