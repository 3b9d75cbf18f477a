// The built program writing into a pipe whose reader has gone away.

#include <gtest/gtest.h>

#include "tests/support/RunBinary.h"
#include "tests/support/TempFolder.h"

namespace {

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
