#include "internet/client/LocalFiles.h"

#include <windows.h>

#include <algorithm>

#include "common/ErrorCodes.h"
#include "platform/win32/InterruptState.h"

namespace platform::ftpclient {

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

LocalFile::~LocalFile() {
    Close();
}

uint32_t LocalFile::OpenForReading(const std::string& path) {
    Close();
    // A folder cannot be opened this way: access denied.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    Handle = reinterpret_cast<intptr_t>(file);
    return 0;
}

uint32_t LocalFile::Create(const std::string& path) {
    Close();
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    Handle = reinterpret_cast<intptr_t>(file);
    // An interrupt during the download closes the file and removes it.
    Lent = win32::LendFileToInterrupt(file);
    return 0;
}

uint32_t LocalFile::Read(char* data, size_t size, size_t& got) {
    got = 0;
    DWORD read = 0;
    if (!::ReadFile(AsHandle(Handle), data, DWORD(std::min<size_t>(size, 1 << 30)), &read, nullptr))
        return ::GetLastError();
    got = read;
    return 0;
}

uint32_t LocalFile::Write(const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(AsHandle(Handle), data, DWORD(std::min<size_t>(size, 1 << 30)), &written,
                         nullptr))
            return ::GetLastError();
        if (written == 0) return ErrorCode::DiskFull;
        data += written;
        size -= written;
    }
    return 0;
}

uint32_t LocalFile::Close() {
    if (Handle == -1) return 0;
    HANDLE file = AsHandle(Handle);
    Handle = -1;
    if (Lent) {
        Lent = false;
        // The interrupt closed it already: it must not be closed again.
        if (!win32::TakeFileBackFromInterrupt(file)) return ERROR_OPERATION_ABORTED;
    }
    return ::CloseHandle(file) ? 0 : ::GetLastError();
}

bool LocalPathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveLocalFile(const std::string& path) {
    ::DeleteFileA(path.c_str());
}

}  // namespace platform::ftpclient
