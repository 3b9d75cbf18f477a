#pragma once
// The POSIX side of RunBinary: fork and exec, optionally as the user nobody.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

constexpr uid_t NobodyId = 65534;

namespace binarydetail {

// The build tree may lie where nobody cannot enter (a checkout under /root): the
// user nobody runs a copy of the binary in a folder of its own below /tmp, made
// once per test process and removed when the process ends.
class NobodyBinary {
public:
    NobodyBinary() {
        std::string pattern = "/tmp/velcopy-bin-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return;
        Folder = pattern;
        chmod(Folder.c_str(), 0755);
        std::error_code error;
        const std::string copy = Folder + "/VelCopy";
        std::filesystem::copy_file(VELCOPY_BINARY, copy, error);
        if (!error) {
            chmod(copy.c_str(), 0755);
            Path = copy;
        }
    }
    ~NobodyBinary() {
        std::error_code ignored;
        if (!Folder.empty()) std::filesystem::remove_all(Folder, ignored);
    }
    std::string Path;

private:
    std::string Folder;
};

inline const std::string& BinaryFor(bool asNobody) {
    static const std::string own = VELCOPY_BINARY;
    if (!asNobody) return own;
    static NobodyBinary copy;
    return copy.Path.empty() ? own : copy.Path;
}

// What the child reports through its close-on-exec pipe when it cannot start.
struct StartFailure {
    int Step;  // 0: dropping root, 1: exec
    int Error;
};

}  // namespace binarydetail

inline BinaryOutcome RunBinary(std::vector<std::string> arguments, bool asNobody = false) {
    BinaryOutcome outcome;
    const std::string binary = binarydetail::BinaryFor(asNobody);
    int output[2], status[2];
    if (pipe(output) != 0 || pipe2(status, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "could not start " << binary << ": no pipe: " << strerror(errno);
        return outcome;
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        close(status[0]);
        binarydetail::StartFailure failure{0, 0};
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(NobodyId) != 0 || setuid(NobodyId) != 0)) {
            failure.Error = errno;
        } else {
            std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(binary.c_str(), argv.data());
            failure = {1, errno};
        }
        (void)!write(status[1], &failure, sizeof failure);
        _exit(127);
    }
    close(output[1]);
    close(status[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(output[0], buffer, sizeof buffer)) > 0)
        outcome.Output.append(buffer, size_t(got));
    close(output[0]);
    binarydetail::StartFailure failure{};
    const bool failed = read(status[0], &failure, sizeof failure) == ssize_t(sizeof failure);
    close(status[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    if (failed) {
        ADD_FAILURE() << "could not start " << binary
                      << (failure.Step == 0 ? ": cannot become the user nobody: " : ": ")
                      << strerror(failure.Error);
        return outcome;
    }
    outcome.Started = true;
    outcome.Signalled = WIFSIGNALED(exitStatus);
    if (WIFEXITED(exitStatus)) outcome.ExitCode = WEXITSTATUS(exitStatus);
    return outcome;
}

// Gives a tree to another user (links themselves, not what they point to).
inline void ChownTree(const std::string& root, uid_t user) {
    std::error_code ignored;
    lchown(root.c_str(), user, user);
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ignored))
        lchown(entry.path().c_str(), user, user);
}
