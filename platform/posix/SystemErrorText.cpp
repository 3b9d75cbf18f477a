#include <map>

#include "common/ErrorCodes.h"
#include "platform/ErrorText.h"

namespace platform {

namespace {

// The texts read as the Windows system texts do, so that messages look alike on
// every platform.
const std::map<uint32_t, const char*>& SystemTexts() {
    static const std::map<uint32_t, const char*> texts = {
        {ErrorCode::Success, "The operation completed successfully."},
        {ErrorCode::InvalidFunction, "Incorrect function."},
        {ErrorCode::FileNotFound, "The system cannot find the file specified."},
        {ErrorCode::PathNotFound, "The system cannot find the path specified."},
        {ErrorCode::TooManyOpenFiles, "The system cannot open the file."},
        {ErrorCode::AccessDenied, "Access is denied."},
        {ErrorCode::InvalidHandle, "The handle is invalid."},
        {ErrorCode::NotEnoughMemory,
         "Not enough memory resources are available to process this command."},
        {ErrorCode::InvalidData, "The data is invalid."},
        {ErrorCode::OutOfMemory,
         "Not enough memory resources are available to complete this operation."},
        {ErrorCode::NotSameDevice, "The system cannot move the file to a different disk drive."},
        {ErrorCode::NoMoreFiles, "There are no more files."},
        {ErrorCode::WriteProtect, "The media is write protected."},
        {ErrorCode::NotReady, "The device is not ready."},
        {ErrorCode::SharingViolation,
         "The process cannot access the file because it is being used by another process."},
        {ErrorCode::LockViolation,
         "The process cannot access the file because another process has locked a portion of the "
         "file."},
        {ErrorCode::HandleEof, "Reached the end of the file."},
        {ErrorCode::NotSupported, "The request is not supported."},
        {ErrorCode::BadNetPath, "The network path was not found."},
        {ErrorCode::NetworkBusy, "The network is busy."},
        {ErrorCode::UnexpectedNetworkError, "An unexpected network error occurred."},
        {ErrorCode::BadNetName, "The network name cannot be found."},
        {ErrorCode::FileExists, "The file exists."},
        {ErrorCode::InvalidParameter, "The parameter is incorrect."},
        {ErrorCode::BrokenPipe, "The pipe has been ended."},
        {ErrorCode::DiskFull, "There is not enough space on the disk."},
        {ErrorCode::InvalidName,
         "The filename, directory name, or volume label syntax is incorrect."},
        {ErrorCode::DirNotEmpty, "The directory is not empty."},
        {ErrorCode::Busy, "The requested resource is in use."},
        {ErrorCode::AlreadyExists, "Cannot create a file when that file already exists."},
        {ErrorCode::FilenameExcedRange, "The filename or extension is too long."},
        {ErrorCode::DirectoryInvalid, "The directory name is invalid."},
        {ErrorCode::IoDevice, "The request could not be performed because of an I/O device error."},
        {ErrorCode::LogonFailure, "The user name or password is incorrect."},
        {ErrorCode::CantResolveFilename, "The name of the file cannot be resolved by the system."},
    };
    return texts;
}

}  // namespace

std::string SystemErrorText(uint32_t code) {
    const auto& texts = SystemTexts();
    auto found = texts.find(code);
    if (found != texts.end()) return found->second;
    return "Unknown error " + std::to_string(code) + ".";
}

}  // namespace platform
