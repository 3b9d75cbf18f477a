// Downloads that meet a full disk say so, and which disk: the temporary folder
// the FTP device keeps its downloads in, or the destination. A small tmpfs
// stands for the full disk, so the test needs root to mount it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

TEST(EndToEndFullDisk, DownloadsThatMeetAFullDiskSayWhichDisk) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
    PyftpdlibServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    MakeFile(server.Root + "/www/big.bin", std::string(2u << 20, 'b'));
    const std::string big = "ftp://127.0.0.1:" + std::to_string(server.Port) + "/www/big.bin";
    const std::string full = "There is not enough space on the disk.";
    for (const bool temporaryFull : {true, false}) {
        TempFolder work;
        const std::string small = work / "small", dst = temporaryFull ? work.Path : small;
        std::filesystem::create_directories(small);
        if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount tmpfs here";
        if (temporaryFull) setenv("TMPDIR", small.c_str(), 1);
        RunResult result = RunVelCopy(
            {big.substr(0, big.rfind('/')), dst + "/", "/U:user", "/P:secret"}, work / "run.log");
        unsetenv("TMPDIR");
        umount2(small.c_str(), MNT_DETACH);
        std::vector<std::string> errors;
        for (const std::string& line : result.LogLines)
            if (line.rfind("!! Error: ", 0) == 0) errors.push_back(line);
        const std::vector<std::string> expected =
            temporaryFull ? std::vector<std::string>{"!! Error: Cannot store the download of " +
                                                         big + " in " + small + "/",
                                                     "!! Error: Failed to read " + big,
                                                     "!! Error: Failed to copy file " + big + ". " +
                                                         full + " (#112) (112). Stopping"}
                          : std::vector<std::string>{"!! Error: Failed to copy file " + big + ". " +
                                                     full + " (112). Stopping"};
        ASSERT_EQ(errors.size(), expected.size()) << result.Console;
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_THAT(errors[i], ::testing::StartsWith(expected[i])) << result.Console;
    }
}

}  // namespace
