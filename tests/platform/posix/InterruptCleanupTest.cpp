#include "platform/InterruptCleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace {

// In a child process: arms `armed`, arms and disarms `released`, then raises
// SIGHUP (ignored beforehand when `ignored`). The child's wait status.
int RaiseInChild(const std::string& armed, const std::string& released, bool ignored) {
    const pid_t child = fork();
    if (child == 0) {
        if (ignored) signal(SIGHUP, SIG_IGN);
        platform::RemoveRegisteredFilesOnInterrupt();
        platform::RemovedOnInterrupt guard(armed);
        { platform::RemovedOnInterrupt done(released); }
        raise(SIGHUP);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(InterruptCleanupTest, AnInterruptRemovesArmedFilesAndEndsTheProcessByItsSignal) {
    TempFolder folder;
    WriteTextFile(folder / "armed", "partial");
    WriteTextFile(folder / "released", "complete");
    const int status = RaiseInChild(folder / "armed", folder / "released", false);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGHUP);
    EXPECT_FALSE(std::filesystem::exists(folder / "armed"));
    EXPECT_TRUE(std::filesystem::exists(folder / "released"));
}

TEST(InterruptCleanupTest, AnInterruptTheProcessIgnoredStaysIgnored) {
    TempFolder folder;
    WriteTextFile(folder / "armed", "partial");
    const int status = RaiseInChild(folder / "armed", folder / "other", true);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "armed"));
}

}  // namespace
