// A run against an FTP server that is interrupted by a signal while it downloads
// (fork, SIGTERM): what it leaves in the temporary folder.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FaultyFtpServer.h"

namespace {

using namespace endtoend;

std::string Location(uint16_t port, const std::string& folder) {
    return "ftp://127.0.0.1:" + std::to_string(port) + folder;
}

// A run interrupted while it downloads leaves nothing of its own in the
// temporary folder: neither the partial download nor its private folder.
TEST(EndToEndFtpFaults, AnInterruptedDownloadLeavesNoLocalCopyBehind) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    MakeFile(server.Root + "/site/big.bin", std::string(1 << 20, 'b'));
    server.Arm(FtpFault(FtpFault::Kind::StallData, "RETR").WithBytes(64 * 1024));
    TempFolder work, temporary;
    const std::vector<std::string> arguments = {VELCOPY_BINARY,   Location(server.Port, "/site"),
                                                work / "mirror/", "/M",
                                                "/U:user",        "/P:secret"};
    const pid_t child = fork();
    if (child == 0) {
        setenv("TMPDIR", temporary.Path.c_str(), 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(VELCOPY_BINARY, argv.data());
        _exit(127);
    }
    // Wait until the download has begun to write its local copy.
    bool writing = false;
    for (int i = 0; i < 500 && !writing; ++i) {
        for (const std::string& path : TreeOf(temporary.Path))
            writing |= std::filesystem::is_regular_file(temporary / path) &&
                       std::filesystem::file_size(temporary / path) > 0;
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(writing) << "the download never began";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_THAT(TreeOf(temporary.Path), ::testing::IsEmpty());
}

}  // namespace
