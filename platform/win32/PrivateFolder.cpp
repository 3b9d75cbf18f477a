#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <atomic>
#include <memory>

#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/LastError.h"
#include "platform/PrivateFolder.h"

namespace platform {

namespace {

// The current user's security identifier in its text form (S-1-5-21-...).
std::string CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::unique_ptr<char[]> buffer(new char[size > 0 ? size : 1]);
    std::string text;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.get(), size, &size)) {
        char* sid = nullptr;
        auto* user = reinterpret_cast<TOKEN_USER*>(buffer.get());
        if (::ConvertSidToStringSidA(user->User.Sid, &sid)) {
            text = sid;
            ::LocalFree(sid);
        }
    }
    ::CloseHandle(token);
    return text;
}

// A protected access list with one entry: the user, full control, inherited by
// everything made inside. Null when the user cannot be named.
PSECURITY_DESCRIPTOR UserOnlyDescriptor() {
    const std::string sid = CurrentUserSid();
    if (sid.empty()) return nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::string sddl = "D:P(A;OICI;FA;;;" + sid + ")";
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr))
        return nullptr;
    return descriptor;
}

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    return std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(::GetTickCount() & 0xFFFF);
}

bool RemoveEntry(const std::string& path, const WIN32_FIND_DATAA& record);

// Everything inside the folder, then the folder.
bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA record;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &record);
    bool complete = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = record.cFileName;
            if (name == "." || name == "..") continue;
            if (!RemoveEntry(path + "\\" + name, record)) complete = false;
        } while (::FindNextFileA(find, &record));
        ::FindClose(find);
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryA(path.c_str()) != FALSE && complete;
}

// A link (a reparse point) is removed itself, never what it leads to.
bool RemoveEntry(const std::string& path, const WIN32_FIND_DATAA& record) {
    const DWORD attributes = record.dwFileAttributes;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ::DeleteFileA(path.c_str()) != FALSE;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ::RemoveDirectoryA(path.c_str()) != FALSE;
    return RemoveTree(path);
}

}  // namespace

bool MakePrivateFolder(const std::string& namePrefix, std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = UserOnlyDescriptor();
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    const std::string base = TemporaryFolder() + namePrefix;
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made; ++attempt) {
        path = base + UniqueSuffix();
        made = ::CreateDirectoryA(path.c_str(), descriptor != nullptr ? &security : nullptr);
        if (!made && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    const uint32_t reason = GetLastErrorCode();
    if (descriptor != nullptr) ::LocalFree(descriptor);
    if (!made) path.clear();
    SetLastErrorCode(made ? ErrorCode::Success : reason);
    return made;
}

bool RemoveFolderTree(const std::string& path) {
    if (RemoveTree(path)) return true;
    // Whatever went wrong inside, the folder still being there is the reason.
    if (::GetLastError() == ERROR_SUCCESS) SetLastErrorCode(ErrorCode::DirNotEmpty);
    return false;
}

}  // namespace platform
