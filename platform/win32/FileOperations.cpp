#include <windows.h>

#include <atomic>
#include <cstring>

#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/win32/SystemTypes.h"

namespace platform {

namespace {

// The attribute bits SetFileAttributes accepts.
constexpr DWORD SettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                     FILE_ATTRIBUTE_TEMPORARY;

bool IsReadOnlyFile(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LastComponent(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Some file systems treat a rename that changes letter case only as a rename
// onto the same file and keep the old spelling; a detour through a temporary
// name in the same folder lands the new one.
void LandLetterCase(const std::string& to) {
    WIN32_FIND_DATAA record;
    HANDLE find = ::FindFirstFileA(to.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) return;
    ::FindClose(find);
    const std::string wanted = LastComponent(to);
    if (wanted == record.cFileName || wanted.size() != strlen(record.cFileName)) return;
    static std::atomic<unsigned> counter{0};
    const std::string folder = to.substr(0, to.size() - wanted.size());
    const std::string temporary = folder + ".velcopy-case-" +
                                  std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(counter++);
    if (!::MoveFileA(to.c_str(), temporary.c_str())) return;
    // Never leave the file under the temporary name: back to its old spelling.
    if (!::MoveFileA(temporary.c_str(), to.c_str()))
        ::MoveFileA(temporary.c_str(), (folder + record.cFileName).c_str());
}

}  // namespace

bool MakeFolder(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool RemoveFolder(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

bool RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (::MoveFileA(from.c_str(), to.c_str())) {
        LandLetterCase(to);
        SetLastErrorCode(ErrorCode::Success);
        return true;
    }
    uint32_t reason = GetLastErrorCode();
    // A read-only target says so, as it does for every other change to it.
    if (reason == ErrorCode::AlreadyExists && IsReadOnlyFile(to)) reason = ErrorCode::AccessDenied;
    SetLastErrorCode(reason);
    return false;
}

uint32_t ReadAttributes(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
    DWORD settable = attributes & SettableAttributes;
    return ::SetFileAttributesA(path.c_str(), settable == 0 ? FILE_ATTRIBUTE_NORMAL : settable) !=
           FALSE;
}

bool SetLastWriteTime(const std::string& path, const FileTime& lastWriteTime) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME time = win32::ToSystem(lastWriteTime);
    bool set = ::SetFileTime(file, nullptr, nullptr, &time) != FALSE;
    uint32_t reason = GetLastErrorCode();
    ::CloseHandle(file);
    if (!set) SetLastErrorCode(reason);
    return set;
}

bool ReadLastWriteTime(const std::string& path, FileTime& lastWriteTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    lastWriteTime =
        FileTime{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime};
    return true;
}

std::string ResolvedPath(const std::string& path) {
    HANDLE item =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return {};
    char buffer[32768];
    DWORD length = ::GetFinalPathNameByHandleA(item, buffer, sizeof buffer, VOLUME_NAME_DOS);
    uint32_t reason = GetLastErrorCode();
    ::CloseHandle(item);
    if (length == 0 || length >= sizeof buffer) {
        SetLastErrorCode(length == 0 ? reason : ErrorCode::FilenameExcedRange);
        return {};
    }
    std::string resolved(buffer, length);
    // The final path comes in its long form: \\?\C:\dir or \\?\UNC\server\share.
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) return "\\" + resolved.substr(7);
    if (resolved.rfind("\\\\?\\", 0) == 0) return resolved.substr(4);
    return resolved;
}

std::string TemporaryFolder() {
    char buffer[MAX_PATH + 1];
    DWORD length = ::GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH) return ".\\";
    std::string folder(buffer, length);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace platform
