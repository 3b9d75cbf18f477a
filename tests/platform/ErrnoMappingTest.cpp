#include <errno.h>
#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"

namespace {

using platform::posix::ErrnoSubject;
using platform::posix::ErrorCodeFromErrno;

struct Mapping {
    int error;
    const char* name;
    ErrnoSubject subject;
    uint32_t code;
};

const Mapping Mappings[] = {
    {ENOENT, "ENOENT", ErrnoSubject::File, ErrorCode::FileNotFound},
    {ENOENT, "ENOENT", ErrnoSubject::Folder, ErrorCode::PathNotFound},
    {ENOTDIR, "ENOTDIR", ErrnoSubject::File, ErrorCode::PathNotFound},
    {ENOTDIR, "ENOTDIR", ErrnoSubject::Folder, ErrorCode::DirectoryInvalid},
    {EACCES, "EACCES", ErrnoSubject::File, ErrorCode::AccessDenied},
    {EPERM, "EPERM", ErrnoSubject::File, ErrorCode::AccessDenied},
    {EEXIST, "EEXIST", ErrnoSubject::File, ErrorCode::FileExists},
    {EEXIST, "EEXIST", ErrnoSubject::Folder, ErrorCode::AlreadyExists},
    {EEXIST, "EEXIST", ErrnoSubject::RenameTarget, ErrorCode::AlreadyExists},
    {ENOTEMPTY, "ENOTEMPTY", ErrnoSubject::Folder, ErrorCode::DirNotEmpty},
    {ENOSPC, "ENOSPC", ErrnoSubject::File, ErrorCode::DiskFull},
    {EDQUOT, "EDQUOT", ErrnoSubject::File, ErrorCode::DiskFull},
    {EFBIG, "EFBIG", ErrnoSubject::File, ErrorCode::DiskFull},
    {ENAMETOOLONG, "ENAMETOOLONG", ErrnoSubject::File, ErrorCode::FilenameExcedRange},
    {EROFS, "EROFS", ErrnoSubject::File, ErrorCode::WriteProtect},
    {EBUSY, "EBUSY", ErrnoSubject::Folder, ErrorCode::Busy},
    {ETXTBSY, "ETXTBSY", ErrnoSubject::File, ErrorCode::Busy},
    {EXDEV, "EXDEV", ErrnoSubject::File, ErrorCode::NotSameDevice},
    {EISDIR, "EISDIR", ErrnoSubject::File, ErrorCode::AccessDenied},
    {EMFILE, "EMFILE", ErrnoSubject::File, ErrorCode::TooManyOpenFiles},
    {ENOMEM, "ENOMEM", ErrnoSubject::File, ErrorCode::NotEnoughMemory},
    {EINVAL, "EINVAL", ErrnoSubject::File, ErrorCode::InvalidParameter},
    {ELOOP, "ELOOP", ErrnoSubject::File, ErrorCode::CantResolveFilename},
    {EIO, "EIO", ErrnoSubject::File, ErrorCode::IoDevice},
    {ENOTSUP, "ENOTSUP", ErrnoSubject::File, ErrorCode::NotSupported},
    {ENXIO, "ENXIO", ErrnoSubject::File, ErrorCode::NotReady},
    {EAGAIN, "EAGAIN", ErrnoSubject::File, ErrorCode::LockViolation},
    {EILSEQ, "EILSEQ", ErrnoSubject::File, ErrorCode::InvalidName},
    {EPIPE, "EPIPE", ErrnoSubject::File, ErrorCode::BrokenPipe},
    {ESTALE, "ESTALE", ErrnoSubject::File, ErrorCode::BadNetPath},
    {ETIMEDOUT, "ETIMEDOUT", ErrnoSubject::File, ErrorCode::UnexpectedNetworkError},
    {EBADF, "EBADF", ErrnoSubject::File, ErrorCode::InvalidHandle},
    {EDOM, "EDOM (unlisted)", ErrnoSubject::File, ErrorCode::InvalidFunction},
};

TEST(ErrnoMappingTest, EachErrnoHasItsWindowsCodeAndAText) {
    for (const Mapping& m : Mappings) {
        EXPECT_EQ(ErrorCodeFromErrno(m.error, m.subject), m.code) << m.name;
        std::string text = platform::SystemErrorText(m.code);
        EXPECT_FALSE(text.empty()) << m.name;
        // A code the layer produces has a text of its own, not the generic one.
        EXPECT_EQ(text.find("Unknown error"), std::string::npos) << m.name << " " << m.code;
    }
}

TEST(ErrnoMappingTest, SettingTheLastErrorKeepsTheMappedCode) {
    platform::posix::SetLastErrorFromErrno(ENOTEMPTY, ErrnoSubject::Folder);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::DirNotEmpty);
    platform::posix::SetLastErrorForPath(ENOENT, "/no/such/folder/file");
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::PathNotFound);
    platform::posix::SetLastErrorForPath(ENOENT, "/tmp/no-such-file-here");
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::FileNotFound);
}

TEST(ErrnoMappingTest, TextsOfTheCodesOthersRelyOn) {
    EXPECT_EQ(platform::SystemErrorText(145), "The directory is not empty.");
    EXPECT_EQ(platform::SystemErrorText(53), "The network path was not found.");
    EXPECT_EQ(platform::SystemErrorText(18), "There are no more files.");
    EXPECT_EQ(platform::SystemErrorText(4242), "Unknown error 4242.");
}

}  // namespace
