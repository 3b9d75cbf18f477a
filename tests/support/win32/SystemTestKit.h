#pragma once
// The Windows side of the test kit: temporary folders, the read-only attribute,
// file times, and whether the tests run under wine (where a few Windows
// behaviours cannot be shown).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>
// The storage device's operations share names with the system's A/W macros.
#undef DeleteFile

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "TestBroker.h"

namespace testkit {

inline std::string MakeTemporaryFolder() {
    static std::atomic<unsigned> counter{0};
    const std::string base = std::filesystem::temp_directory_path().string();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = base;
        if (!path.empty() && path.back() != '\\') path += '\\';
        path += "veltest-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(counter++) + "-" + std::to_string(::GetTickCount());
        if (::CreateDirectoryA(path.c_str(), nullptr)) return path;
    }
    return "";
}

inline void MakeWritable(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

}  // namespace testkit

inline void MakeReadOnly(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
}

// The permission bits of a file of this machine as its system keeps them (the
// FTP server's files, made and changed under wine): asked of the FTP server
// broker (tools/with-test-broker.sh); 0 when there is none to ask.
unsigned ModeOf(const std::string& path);

// True when the Windows calls are wine's.
inline bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The folder's access list is protected from inheritance and grants access to
// the current user alone. Wine keeps no access lists: it turns the one a folder
// is made with into the folder's permission bits (the group's as the file mode
// mask leaves them) and reads back a list of its own making, so there the
// owner's and everybody else's bits tell.
inline bool OpenToItsOwnerOnly(const std::string& folder) {
    if (RunningUnderWine()) return (ModeOf(folder) & 0707) == 0700;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    bool ownerOnly = dacl != nullptr && dacl->AceCount == 1 && (control & SE_DACL_PROTECTED);
    void* ace = nullptr;
    HANDLE token = nullptr;
    char user[256];
    DWORD size = sizeof user;
    if (ownerOnly && ::GetAce(dacl, 0, &ace) &&
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) &&
        ::GetTokenInformation(token, TokenUser, user, size, &size)) {
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        ownerOnly = allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                    ::EqualSid(&allowed->SidStart, reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
    } else {
        ownerOnly = false;
    }
    if (token != nullptr) ::CloseHandle(token);
    ::LocalFree(descriptor);
    return ownerOnly;
}

// The bytes that name a path: for the programs of this system (the ANSI code
// page), and on the machine where the FTP test servers run (as wine maps the
// path; empty off wine). A name a program sends to a server keeps its bytes,
// which the two differ in for every character beyond ASCII.
inline std::string ProgramBytesOf(const std::filesystem::path& path) {
    const std::wstring wide = path.wstring();
    std::string bytes(wide.size() * 2 + 1, '\0');
    int length = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), bytes.data(),
                                       int(bytes.size()), nullptr, nullptr);
    bytes.resize(length > 0 ? size_t(length) : 0);
    return bytes;
}
inline std::string MachineBytesOf(const std::filesystem::path& path) {
    return MachinePathOf(ProgramBytesOf(path));
}

// File times as seconds since 1970 (UTC).
constexpr int64_t UnixEpochInFileTime = 116444736000000000LL;

inline struct timespec ModifiedOf(const std::string& path) {
    struct timespec result {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return result;
    int64_t ticks =
        (int64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    ticks -= UnixEpochInFileTime;
    result.tv_sec = time_t(ticks / 10000000);
    result.tv_nsec = long(ticks % 10000000) * 100;
    return result;
}

inline void SetModified(const std::string& path, time_t seconds) {
    HANDLE file =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    uint64_t ticks = uint64_t(int64_t(seconds) * 10000000 + UnixEpochInFileTime);
    FILETIME time{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
    ::SetFileTime(file, nullptr, &time, &time);
    ::CloseHandle(file);
}

// Sets TZ in the environment for the life of the object: the programs this
// process starts follow it (wine takes the time zone from TZ), this process
// keeps the one it started with.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        char old[256];
        DWORD length = ::GetEnvironmentVariableA("TZ", old, sizeof old);
        HadOld = length > 0 && length < sizeof old;
        if (HadOld) Old = old;
        ::SetEnvironmentVariableA("TZ", zone);
    }
    ~ScopedTimeZone() { ::SetEnvironmentVariableA("TZ", HadOld ? Old.c_str() : nullptr); }

private:
    bool HadOld = false;
    std::string Old;
};

// The Windows Internet library lists files and folders without a read-only or
// hidden state (as measured under wine).
constexpr bool FtpListingShowsReadOnly = false;
constexpr bool FtpListingShowsHidden = false;
// The Windows Internet library lists with LIST only: times to the minute.
constexpr bool FtpListsByFacts = false;
// A backslash separates folders; no name holds one.
constexpr bool FileNamesMayHoldBackslashes = false;
// A name beyond ASCII goes to an FTP server in the bytes of the ANSI code page,
// which a server that takes names as UTF-8 (pyftpdlib) replaces.
constexpr bool FtpNamesGoAsUtf8 = false;

// The bytes that name, on the machine where the FTP test servers run, a file a
// program of this system made with the name `name` (of the ANSI code page):
// wine keeps names in UTF-8 there.
inline std::string MachineNameOf(const std::string& name) {
    std::wstring wide(name.size() + 1, L'\0');
    const int units = ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), int(name.size()), wide.data(),
                                            int(wide.size()));
    if (units <= 0) return {};
    std::string bytes(size_t(units) * 3, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), units, bytes.data(),
                                             int(bytes.size()), nullptr, nullptr);
    bytes.resize(length > 0 ? size_t(length) : 0);
    return bytes;
}

// Skips the current test under wine, printing why.
#define SKIP_UNDER_WINE(reason)                                               \
    do {                                                                      \
        if (RunningUnderWine()) GTEST_SKIP() << "not under wine: " << reason; \
    } while (0)

// A part of a test that wine cannot show is left out under wine: true there,
// with the reason printed as a skipped test's is.
inline bool LeftOutUnderWine(const char* reason) {
    if (!RunningUnderWine()) return false;
    std::printf("not under wine: %s\n", reason);
    return true;
}

// The Windows tests run without privileges (the wine stage runs as an ordinary
// user), so what needs an ordinary user runs in this process.
inline int RunAsNobody(const std::function<int()>& body) {
    return body();
}
