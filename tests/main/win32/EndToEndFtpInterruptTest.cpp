// A run against an FTP server that is interrupted by Ctrl-C while it downloads:
// what it leaves in the temporary folder. The test broker sends the Ctrl-C (see
// tests/platform/win32/InterruptCleanupTest.cpp).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FaultyFtpServer.h"

namespace {

using namespace endtoend;

// Starts the program with `arguments` and the temporary folder `temporary`
// (the TMP and TEMP variables it inherits); null when it cannot be started.
HANDLE StartVelCopy(const std::vector<std::string>& arguments, const std::string& temporary) {
    std::string commandLine =
        binarydetail::QuoteArgument(binarydetail::WindowsPath(VELCOPY_BINARY));
    for (const std::string& argument : arguments)
        commandLine += " " + binarydetail::QuoteArgument(argument);
    char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
    const bool hadTmp = ::GetEnvironmentVariableA("TMP", tmp, MAX_PATH) > 0;
    const bool hadTemp = ::GetEnvironmentVariableA("TEMP", temp, MAX_PATH) > 0;
    ::SetEnvironmentVariableA("TMP", temporary.c_str());
    ::SetEnvironmentVariableA("TEMP", temporary.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::SetEnvironmentVariableA("TMP", hadTmp ? tmp : nullptr);
    ::SetEnvironmentVariableA("TEMP", hadTemp ? temp : nullptr);
    if (!started) return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

// A run interrupted while it downloads leaves nothing of its own in the
// temporary folder: neither the partial download nor its private folder.
TEST(EndToEndFtpFaults, AnInterruptedDownloadLeavesNoLocalCopyBehind) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    MakeFile(server.Root + "/site/big.bin", std::string(1 << 20, 'b'));
    server.Arm(FtpFault(FtpFault::Kind::StallData, "RETR").WithBytes(64 * 1024));
    TempFolder work, temporary;
    const std::string mirror = work / "mirror\\";
    const HANDLE child = StartVelCopy({"ftp://127.0.0.1:" + std::to_string(server.Port) + "/site",
                                       mirror, "/M", "/U:user", "/P:secret"},
                                      temporary.Path);
    ASSERT_NE(child, nullptr) << "cannot start the program: " << ::GetLastError();
    // Wait until the download has begun to write its local copy.
    bool writing = false;
    for (int i = 0; i < 500 && !writing; ++i) {
        for (const std::string& path : TreeOf(temporary.Path))
            writing |= std::filesystem::is_regular_file(temporary / path) &&
                       std::filesystem::file_size(temporary / path) > 0;
        if (!writing) ::Sleep(20);
    }
    EXPECT_EQ(InterruptProcessesNamed(mirror), 1);
    // Under wine a Ctrl-C that no handler takes ends a process with 0, so the
    // exit code does not tell how it ended.
    EXPECT_EQ(::WaitForSingleObject(child, 30000), WAIT_OBJECT_0);
    ::CloseHandle(child);
    ASSERT_TRUE(writing) << "the download never began";
    EXPECT_THAT(TreeOf(temporary.Path), ::testing::IsEmpty());
}

}  // namespace
