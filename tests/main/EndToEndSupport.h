#pragma once
// Running the built VelCopy on real temporary trees: the process's console
// output, its log (/L) lines and its exit code; optionally as an unprivileged
// user, so that permission failures can be made although the tests run as root.

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace endtoend {

struct RunResult {
    std::string Console;
    std::vector<std::string> LogLines;  // the /L log, one entry per CR LF line
    int ExitCode = -1;
};

constexpr uid_t NobodyId = 65534;

// Runs VelCopy with the arguments and /L:<log>. As `asNobody` (only possible as
// root) the process gives up root before it starts.
inline RunResult RunVelCopy(std::vector<std::string> arguments, const std::string& log,
                            bool asNobody = false) {
    arguments.push_back("/L:" + log);
    RunResult result;
    int ends[2];
    if (pipe(ends) != 0) return result;
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
        result.Console.append(buffer, size_t(got));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
    const std::string text = ReadTextFile(log);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        result.LogLines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

inline bool HasLine(const RunResult& result, const std::string& line) {
    for (const std::string& logged : result.LogLines)
        if (logged == line) return true;
    return false;
}

inline int CountLinesStartingWith(const RunResult& result, const std::string& prefix) {
    int count = 0;
    for (const std::string& logged : result.LogLines) count += logged.rfind(prefix, 0) == 0;
    return count;
}

inline void MakeFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteTextFile(path, content);
}

// Every path below `root`, relative to it, sorted; links are not followed.
inline std::vector<std::string> TreeOf(const std::string& root) {
    std::vector<std::string> paths;
    std::error_code ignored;
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ignored))
        paths.push_back(std::filesystem::relative(entry.path(), root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

inline void ChownTree(const std::string& root, uid_t user) {
    std::error_code ignored;
    lchown(root.c_str(), user, user);
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ignored))
        lchown(entry.path().c_str(), user, user);
}

}  // namespace endtoend
