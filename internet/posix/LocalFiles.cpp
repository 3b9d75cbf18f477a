#include "internet/client/LocalFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/ErrorCodes.h"
#include "platform/posix/ErrnoMapping.h"

namespace platform::ftpclient {

using posix::ErrorCodeFromErrno;

LocalFile::~LocalFile() {
    Close();
}

uint32_t LocalFile::OpenForReading(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrorCodeFromErrno(errno);
    Handle = fd;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        Close();
        return ErrorCode::AccessDenied;
    }
    return 0;
}

uint32_t LocalFile::Create(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ErrorCodeFromErrno(errno);
    Handle = fd;
    return 0;
}

uint32_t LocalFile::Read(char* data, size_t size, size_t& got) {
    got = 0;
    for (;;) {
        ssize_t read = ::read(int(Handle), data, size);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return ErrorCodeFromErrno(errno);
        got = size_t(read);
        return 0;
    }
}

uint32_t LocalFile::Write(const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(int(Handle), data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return ErrorCodeFromErrno(errno);
        data += written;
        size -= size_t(written);
    }
    return 0;
}

uint32_t LocalFile::Close() {
    if (Handle < 0) return 0;
    int fd = int(Handle);
    Handle = -1;
    return close(fd) == 0 ? 0 : ErrorCodeFromErrno(errno);
}

bool LocalPathExists(const std::string& path) {
    struct stat existing {};
    return lstat(path.c_str(), &existing) == 0;
}

void RemoveLocalFile(const std::string& path) {
    unlink(path.c_str());
}

}  // namespace platform::ftpclient
