#include "platform/posix/ErrnoMapping.h"

#include <errno.h>
#include <sys/stat.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"

namespace platform::posix {

namespace {

uint32_t SubjectCode(int error, ErrnoSubject subject) {
    bool folder = subject == ErrnoSubject::Folder;
    switch (error) {
        case ENOENT:
            return folder ? ErrorCode::PathNotFound : ErrorCode::FileNotFound;
        case ENOTDIR:
            return folder ? ErrorCode::DirectoryInvalid : ErrorCode::PathNotFound;
        case EEXIST:
            return subject == ErrnoSubject::File ? ErrorCode::FileExists : ErrorCode::AlreadyExists;
        default:
            return ErrorCode::Success;
    }
}

}  // namespace

uint32_t ErrorCodeFromErrno(int error, ErrnoSubject subject) {
    if (uint32_t code = SubjectCode(error, subject)) return code;
    switch (error) {
        case 0:
            return ErrorCode::Success;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ErrorCode::AccessDenied;
        case ENOTEMPTY:
            return ErrorCode::DirNotEmpty;
        case ENOSPC:
        case EDQUOT:
            return ErrorCode::DiskFull;
        case ENAMETOOLONG:
            return ErrorCode::FilenameExcedRange;
        case EROFS:
            return ErrorCode::WriteProtect;
        case EBUSY:
        case ETXTBSY:
            return ErrorCode::Busy;
        case EXDEV:
            return ErrorCode::NotSameDevice;
        case EMFILE:
        case ENFILE:
            return ErrorCode::TooManyOpenFiles;
        case ENOMEM:
            return ErrorCode::NotEnoughMemory;
        case EINVAL:
            return ErrorCode::InvalidParameter;
        case ELOOP:
            return ErrorCode::CantResolveFilename;
        case EBADF:
            return ErrorCode::InvalidHandle;
        case EIO:
            return ErrorCode::IoDevice;
        case ENOTSUP:
            return ErrorCode::NotSupported;
        case ENXIO:
        case ENODEV:
            return ErrorCode::NotReady;
        case EAGAIN:
            return ErrorCode::LockViolation;
        case EFBIG:
            return ErrorCode::DiskFull;
        case EILSEQ:
            return ErrorCode::InvalidName;
        case EPIPE:
            return ErrorCode::BrokenPipe;
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ESTALE:
            return ErrorCode::BadNetPath;
        case ETIMEDOUT:
        case ECONNRESET:
        case ECONNABORTED:
            return ErrorCode::UnexpectedNetworkError;
        default:
            return ErrorCode::InvalidFunction;
    }
}

void SetLastErrorFromErrno(int error, ErrnoSubject subject) {
    SetLastErrorCode(ErrorCodeFromErrno(error, subject));
}

void SetLastErrorForPath(int error, const std::string& path) {
    if (error == ENOENT) {
        size_t cut = path.find_last_of('/');
        std::string parent = cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
        struct stat info;
        if (stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            SetLastErrorCode(ErrorCode::PathNotFound);
            return;
        }
    }
    SetLastErrorFromErrno(error, ErrnoSubject::File);
}

}  // namespace platform::posix
