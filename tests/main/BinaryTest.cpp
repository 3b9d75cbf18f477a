// The built program, run as a process: what it prints and its exit code.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "main/UsageText.h"

namespace {

struct Outcome {
    std::string Output;
    int ExitCode = -1;
    bool Signalled = false;
};

Outcome RunBinary(const std::vector<std::string>& arguments) {
    Outcome outcome;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return outcome;
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv = {const_cast<char*>(VELCOPY_BINARY)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(VELCOPY_BINARY, argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        outcome.Output.append(buffer, size_t(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.Signalled = WIFSIGNALED(status);
    if (WIFEXITED(status)) outcome.ExitCode = WEXITSTATUS(status);
    return outcome;
}

TEST(BinaryTest, UsageWithExitCodeZero) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"/?"}, {"/H", "a", "b"}}) {
        Outcome outcome = RunBinary(arguments);
        EXPECT_EQ(outcome.ExitCode, 0);
        EXPECT_EQ(outcome.Output, UsageText());
    }
}

TEST(BinaryTest, LeftOverArgumentsWithExitCodeZero) {
    Outcome outcome = RunBinary({"a", "b", "c"});
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(outcome.Output, "Unrecognised arguments: c\r\n" + UsageText());
}

TEST(BinaryTest, BadFValueEndsWithExitCodeOneAndOneLine) {
    Outcome outcome = RunBinary({"a", "b", "/F:3,"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Output,
              "VelCopy: \"3,\" is not a valid /F value: \"\" is not a whole number\r\n");
}

TEST(BinaryTest, CompleteCommandLineEndsWithExitCodeZero) {
    Outcome outcome = RunBinary({"/nonexistent/velcopy-src/", "/nonexistent/velcopy-dst/"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 0);
}

}  // namespace
