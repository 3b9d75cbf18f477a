// A run against an FTP server that is interrupted by a signal while it downloads
// or between two downloads (fork, SIGTERM): what it leaves in the temporary folder.

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

// A run interrupted while it downloads, or between two downloads, leaves nothing
// of its own in the temporary folder: neither the partial download, nor a copy
// already released, nor the private folder.
TEST(EndToEndFtpFaults, AnInterruptedDownloadLeavesNoLocalCopyBehind) {
    struct Moment {
        const char* What;
        FtpFault Fault;
        bool (*Reached)(const std::string& temporary, const std::string& mirror);
    };
    const Moment moments[] = {
        {"while the big file downloads",
         FtpFault(FtpFault::Kind::StallData, "RETR", 2).WithBytes(64 * 1024),
         [](const std::string& temporary, const std::string&) {
             for (const std::string& path : TreeOf(temporary))
                 if (std::filesystem::is_regular_file(temporary + "/" + path) &&
                     std::filesystem::file_size(temporary + "/" + path) > 0)
                     return true;
             return false;
         }},
        // The small file has been copied and released; the subfolder's listing stalls.
        {"between two downloads", FtpFault(FtpFault::Kind::StallReply, "LIST", 2),
         [](const std::string&, const std::string& mirror) {
             return std::filesystem::exists(mirror + "/small.txt");
         }},
    };
    for (const Moment& moment : moments) {
        FaultyFtpServer server;
        if (!server.Started()) GTEST_SKIP() << server.Problem;
        MakeFile(server.Root + "/site/small.txt", "fetched before the big one");
        MakeFile(server.Root + "/site/sub/big.bin", std::string(1 << 20, 'b'));
        server.Arm(moment.Fault);
        TempFolder work, temporary;
        const std::string mirror = work / "mirror";
        const std::vector<std::string> arguments = {
            VELCOPY_BINARY, Location(server.Port, "/site"), mirror + "/", "/M", "/S", "/U:user",
            "/P:secret"};
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
        bool reached = false;
        for (int i = 0; i < 500 && !reached; ++i) {
            reached = moment.Reached(temporary.Path, mirror);
            if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(reached) << moment.What << ": never reached";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << moment.What;
        EXPECT_THAT(TreeOf(temporary.Path), ::testing::IsEmpty()) << moment.What;
    }
}

}  // namespace
