#pragma once
// Runs the built VelCopy as a process and collects what it printed on standard
// output and how it ended; optionally as the unprivileged user nobody, so that
// permission failures can be made although the tests run as root.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct BinaryOutcome {
    std::string Output;
    int ExitCode = -1;       // -1 when the process did not exit normally
    bool Signalled = false;  // it was ended by a signal (a crash)
};

constexpr uid_t NobodyId = 65534;

inline BinaryOutcome RunBinary(std::vector<std::string> arguments, bool asNobody = false) {
    BinaryOutcome outcome;
    int ends[2];
    if (pipe(ends) != 0) return outcome;
    pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        close(ends[0]);
        close(ends[1]);
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(NobodyId) != 0 || setuid(NobodyId) != 0))
            _exit(126);
        std::vector<char*> argv = {const_cast<char*>(VELCOPY_BINARY)};
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(VELCOPY_BINARY, argv.data());
        _exit(127);
    }
    close(ends[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(ends[0], buffer, sizeof buffer)) > 0)
        outcome.Output.append(buffer, size_t(got));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.Signalled = WIFSIGNALED(status);
    if (WIFEXITED(status)) outcome.ExitCode = WEXITSTATUS(status);
    return outcome;
}
