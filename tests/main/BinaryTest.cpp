// The built program, run as a process: what it prints and its exit code.

#include <gtest/gtest.h>

#include "main/UsageText.h"
#include "tests/support/RunBinary.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(BinaryTest, UsageWithExitCodeZero) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"/?"}, {"/H", "a", "b"}}) {
        BinaryOutcome outcome = RunBinary(arguments);
        EXPECT_EQ(outcome.ExitCode, 0);
        EXPECT_EQ(outcome.Output, UsageText());
    }
}

TEST(BinaryTest, LeftOverArgumentsWithExitCodeZero) {
    BinaryOutcome outcome = RunBinary({"a", "b", "c"});
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(outcome.Output, "Unrecognised arguments: c\r\n" + UsageText());
}

TEST(BinaryTest, BadFValueEndsWithExitCodeOneAndOneLine) {
    BinaryOutcome outcome = RunBinary({"a", "b", "/F:3,"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Output,
              "VelCopy: \"3,\" is not a valid /F value: \"\" is not a whole number\r\n");
}

TEST(BinaryTest, CompleteCommandLineEndsWithExitCodeZero) {
    BinaryOutcome outcome = RunBinary({"/nonexistent/velcopy-src/", "/nonexistent/velcopy-dst/"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 0);
}

// A scheduled job that pipes the output into a reader which stops early
// (VelCopy ... | head) must still complete the run.
TEST(BinaryTest, ReaderThatGoesAwayDoesNotEndTheRun) {
    TempFolder root;
    std::filesystem::create_directories(root / "src");
    for (int i = 0; i < 200; ++i) WriteTextFile(root / ("src/f" + std::to_string(i)), "x");
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);  // nobody will ever read what the program writes
    pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        close(ends[1]);
        std::string source = root / "src/", destination = root / "dst/";
        execl(VELCOPY_BINARY, VELCOPY_BINARY, source.c_str(), destination.c_str(), "/M", "/V2",
              (char*)nullptr);
        _exit(127);
    }
    close(ends[1]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(std::filesystem::exists(root / "dst/f199"));
}

}  // namespace
