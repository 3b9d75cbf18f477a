#pragma once
// Running the built VelCopy on real temporary trees: the process's console
// output, its log (/L) lines and its exit code; optionally as an unprivileged
// user, so that permission failures can be made although the tests run as root.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunBinary.h"
#include "tests/support/TempFolder.h"

namespace endtoend {

struct RunResult {
    std::string Console;
    std::vector<std::string> LogLines;  // the /L log, one entry per CR LF line
    int ExitCode = -1;
};

// The CR LF lines of a text; of a line rewritten in place (the console's progress)
// what stands after its last carriage return.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const size_t shown = text.rfind('\r', end - 1);
        start = shown != std::string::npos && shown >= start && shown < end ? shown + 1 : start;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Runs VelCopy with the arguments and /L:<log>. As `asNobody` (only possible as
// root) the process gives up root before it starts.
inline RunResult RunVelCopy(std::vector<std::string> arguments, const std::string& log,
                            bool asNobody = false) {
    arguments.push_back("/L:" + log);
    BinaryOutcome outcome = RunBinary(std::move(arguments), asNobody);
    RunResult result;
    result.Console = outcome.Output;
    result.ExitCode = outcome.ExitCode;
    result.LogLines = SplitLines(ReadTextFile(log));
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

// The location of a folder on an FTP server of 127.0.0.1.
inline std::string Location(uint16_t port, const std::string& folder) {
    return "ftp://127.0.0.1:" + std::to_string(port) + folder;
}

inline void MakeFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteTextFile(path, content);
}

// Every path below `root`, relative to it with "/" between its parts, sorted;
// links are not followed.
inline std::vector<std::string> TreeOf(const std::string& root) {
    std::vector<std::string> paths;
    std::error_code ignored;
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ignored))
        paths.push_back(std::filesystem::relative(entry.path(), root).generic_string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A source and a destination folder in a temporary folder of their own, and a
// run of the program from one to the other with switches.
class TwoTrees : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Src);
        std::filesystem::create_directories(Dst);
    }
    RunResult Run(std::vector<std::string> switches, bool asNobody = false) {
        std::vector<std::string> arguments = {Src, Dst};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        return RunVelCopy(arguments, Log, asNobody);
    }

    TempFolder Root;
    std::string Src = Root / "src";
    std::string Dst = Root / "dst";
    std::string Log = Root / "run.log";
};

}  // namespace endtoend
