#pragma once
// The POSIX side of the test kit: temporary folders, permission bits, file times,
// dropping root, the time zone.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace testkit {

inline std::string MakeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltest-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    return made != nullptr ? made : "";
}

inline void MakeWritable(const std::string& path) {
    chmod(path.c_str(), 0700);
}

}  // namespace testkit

// Read-only as the program understands it: no write permission for anyone.
inline void MakeReadOnly(const std::string& path) {
    chmod(path.c_str(), 0444);
}

inline mode_t ModeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The bytes that name a path: for the programs of this system, and on the
// machine where the FTP test servers run (this one).
inline std::string ProgramBytesOf(const std::filesystem::path& path) {
    return path.string();
}
inline std::string MachineBytesOf(const std::filesystem::path& path) {
    return path.string();
}

// The folder may be read, entered and changed by its owner and by nobody else.
inline bool OpenToItsOwnerOnly(const std::string& folder) {
    return ModeOf(folder) == 0700;
}

inline struct timespec ModifiedOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mtim;
}

inline struct timespec ChangedOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ctim;
}

inline void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Skips the current test under wine, printing why; there is no wine here.
#define SKIP_UNDER_WINE(reason) \
    do {                        \
    } while (0)

// A part of a test that wine cannot show is left out under wine, with its
// reason printed; there is no wine here.
inline bool LeftOutUnderWine(const char*) {
    return false;
}

// What the FTP client of this system shows of a server's listing: the read-only
// state (no write permission for the owner) and the hidden state (a leading dot).
constexpr bool FtpListingShowsReadOnly = true;
constexpr bool FtpListingShowsHidden = true;
// The FTP client of this system lists by facts (MLSD) where a server offers it.
constexpr bool FtpListsByFacts = true;
// A file name may hold a backslash.
constexpr bool FileNamesMayHoldBackslashes = true;
// Names go to an FTP server in the bytes the program has them in: UTF-8 here.
constexpr bool FtpNamesGoAsUtf8 = true;

// The bytes that name, on the machine where the FTP test servers run (this
// one), a file a program of this system made with the name `name`.
inline std::string MachineNameOf(const std::string& name) {
    return name;
}

// Runs `body` in a child process that has dropped root for the user nobody and
// returns the child's exit code (the body's result), or -1 when it could not run.
inline int RunAsNobody(const std::function<int()>& body) {
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Sets TZ for the life of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        const char* old = getenv("TZ");
        HadOld = old != nullptr;
        if (HadOld) Old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (HadOld) {
            setenv("TZ", Old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool HadOld = false;
    std::string Old;
};
