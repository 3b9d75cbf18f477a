#include "platform/FileOperations.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"
#include "platform/posix/FileStatus.h"
#include "platform/posix/PosixTimes.h"

namespace platform {

namespace {

using posix::ErrnoSubject;

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

bool FailWithErrno(int error, ErrnoSubject subject) {
    posix::SetLastErrorFromErrno(error, subject);
    return false;
}

bool FailForPath(int error, const std::string& path) {
    posix::SetLastErrorForPath(error, path);
    return false;
}

// The last component of a path, trailing separators ignored.
std::string LastComponent(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return path.empty() ? path : "/";
    size_t start = path.find_last_of('/', end);
    start = start == std::string::npos ? 0 : start + 1;
    return path.substr(start, end + 1 - start);
}

bool Succeed() {
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

}  // namespace

bool MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) != 0) return FailWithErrno(errno, ErrnoSubject::Folder);
    return Succeed();
}

bool RemoveFolder(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return FailForPath(errno, path);
    if (S_ISLNK(info.st_mode)) {
        // A link to a folder goes as a link; its target and contents stay.
        struct stat target;
        if (stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
            return Fail(ErrorCode::DirectoryInvalid);
        }
        if (unlink(path.c_str()) != 0) return FailWithErrno(errno, ErrnoSubject::Folder);
        return Succeed();
    }
    if (rmdir(path.c_str()) != 0) {
        // Some file systems say EEXIST for a folder that still holds entries.
        int error = errno == EEXIST ? ENOTEMPTY : errno;
        return FailWithErrno(error, ErrnoSubject::Folder);
    }
    return Succeed();
}

bool RemoveFile(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return FailForPath(errno, path);
    if (S_ISDIR(info.st_mode) || posix::IsReadOnlyFile(info)) return Fail(ErrorCode::AccessDenied);
    if (unlink(path.c_str()) != 0) return FailForPath(errno, path);
    return Succeed();
}

bool RenameFile(const std::string& from, const std::string& to) {
    struct stat source, target;
    if (lstat(from.c_str(), &source) != 0) return FailForPath(errno, from);
    if (lstat(to.c_str(), &target) == 0) {
        bool sameFile = source.st_dev == target.st_dev && source.st_ino == target.st_ino;
        if (!sameFile) {
            return Fail(posix::IsReadOnlyFile(target) ? ErrorCode::AccessDenied
                                                      : ErrorCode::AlreadyExists);
        }
        // A new spelling of the same name (a file system that ignores case) or a
        // second hard link: the plain rename does what Windows does.
        if (rename(from.c_str(), to.c_str()) != 0) return FailForPath(errno, from);
        return Succeed();
    }
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return Succeed();
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // The file system cannot refuse to replace; the target was checked above.
        if (rename(from.c_str(), to.c_str()) == 0) return Succeed();
        error = errno;
    }
    if (error == EEXIST) return Fail(ErrorCode::AlreadyExists);
    return FailForPath(error, error == ENOENT && access(from.c_str(), F_OK) == 0 ? to : from);
}

uint32_t ReadAttributes(const std::string& path) {
    struct stat info;
    struct stat linkInfo;
    if (lstat(path.c_str(), &linkInfo) != 0) {
        FailForPath(errno, path);
        return InvalidAttributes;
    }
    bool isLink = S_ISLNK(linkInfo.st_mode);
    if (!isLink || stat(path.c_str(), &info) != 0) info = linkInfo;
    SetLastErrorCode(ErrorCode::Success);
    return posix::AttributesOf(info, LastComponent(path), isLink);
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return FailForPath(errno, path);
    mode_t mode = info.st_mode & 07777;
    if (attributes & Attribute::ReadOnly) {
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if ((mode & S_IWUSR) == 0) {
        mode |= S_IWUSR;
    }
    if (chmod(path.c_str(), mode) != 0) return FailForPath(errno, path);
    return Succeed();
}

bool SetLastWriteTime(const std::string& path, const FileTime& lastWriteTime) {
    // Non-blocking, so that a FIFO without a reader cannot hang the open.
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return FailForPath(errno, path);
    struct stat info;
    if (fstat(fd, &info) != 0 || posix::IsReadOnlyFile(info)) {
        close(fd);
        return Fail(ErrorCode::AccessDenied);
    }
    int64_t seconds, nanoseconds;
    posix::UnixFromFileTime(lastWriteTime, seconds, nanoseconds);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long(nanoseconds);
    int result = futimens(fd, times);
    int error = errno;
    close(fd);
    if (result != 0) return FailWithErrno(error, ErrnoSubject::File);
    return Succeed();
}

bool ReadLastWriteTime(const std::string& path, FileTime& lastWriteTime) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return FailForPath(errno, path);
    lastWriteTime = posix::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return Succeed();
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        FailForPath(errno, path);
        return std::string();
    }
    std::string result = resolved;
    free(resolved);
    SetLastErrorCode(ErrorCode::Success);
    return result;
}

std::string TemporaryFolder() {
    const char* fromEnvironment = getenv("TMPDIR");
    std::string folder = fromEnvironment != nullptr ? fromEnvironment : "";
    struct stat info;
    if (folder.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        folder = "/tmp";
    }
    if (folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace platform
