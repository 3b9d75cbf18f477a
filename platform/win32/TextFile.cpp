#include <windows.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/TextFile.h"

namespace platform {

namespace {

HANDLE AsHandle(int64_t value) {
    return reinterpret_cast<HANDLE>(intptr_t(value));
}

}  // namespace

TextFile::~TextFile() {
    Close();
}

bool TextFile::Open(const std::string& path, bool append) {
    Close();
    // Others may read the log while the run writes it.
    HANDLE file = ::CreateFileA(
        path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, append ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    Handle = int64_t(reinterpret_cast<intptr_t>(file));
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
    DWORD lastError = ::GetLastError();
    std::string line = text + "\r\n";
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        DWORD chunk = left > 0x10000000 ? 0x10000000 : DWORD(left);
        DWORD written = 0;
        if (!::WriteFile(AsHandle(Handle), data, chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastErrorCode(ErrorCode::DiskFull);
            return false;
        }
        data += written;
        left -= written;
    }
    // A line written leaves the reason of an earlier failure in place, for the
    // messages that report it line by line.
    ::SetLastError(lastError);
    return true;
}

bool TextFile::Close() {
    if (!IsOpen()) return true;
    HANDLE file = AsHandle(Handle);
    Handle = -1;
    return ::CloseHandle(file) != FALSE;
}

}  // namespace platform
