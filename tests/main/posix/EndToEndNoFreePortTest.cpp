// Active data connections when no local port is free for the listening socket
// (thousands of transfers within a minute leave every port of the range
// waiting): the transfer is made passively rather than failed. The run happens
// in a network namespace of its own (tests/main/posix/no-free-port.sh), where the
// port range can be made scarce without touching the machine's.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;

TEST(EndToEndFtpFaults, ActiveTransfersWithNoFreeLocalPortGoPassive) {
    if (geteuid() != 0) GTEST_SKIP() << "a network namespace of its own needs root";
    TempFolder work;
    MakeFile(work / "site/a.txt", "a");
    MakeFile(work / "site/sub/b.txt", "b");
    std::filesystem::create_directories(work / "root/mirror");
    const std::string command = std::string("bash ") + VELCOPY_SOURCE_DIR +
                                "/tests/main/posix/no-free-port.sh " + VELCOPY_BINARY + " " +
                                work / "site/" + " " + work / "root" + " " + work / "run.log" +
                                " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    const int status = pclose(pipe);
    if (output.find("unshare failed") != std::string::npos)
        GTEST_SKIP() << "no network namespaces here: " << output;
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output.substr(output.find_last_of('\n', output.size() - 2) + 1), "0\n") << output;
    EXPECT_EQ(ReadTextFile(work / "root/mirror/a.txt"), "a") << output;
    EXPECT_EQ(ReadTextFile(work / "root/mirror/sub/b.txt"), "b") << output;
    EXPECT_THAT(ReadTextFile(work / "run.log"), ::testing::Not(::testing::HasSubstr("!! ")));
}

}  // namespace
