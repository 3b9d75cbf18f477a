// A Ctrl-C removes the armed files before the process ends as it would have
// ended without them; a Ctrl-C the process ignores stays ignored. The test
// program runs itself as the child that is interrupted. Windows would send the
// Ctrl-C with GenerateConsoleCtrlEvent, which wine refuses where there is no
// console: the test broker sends a SIGINT, which wine turns into a Ctrl-C.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/InterruptCleanup.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string ChildFlag = "--interrupt-child=";
constexpr DWORD OwnEnd = 3;

// The child, run before the tests when the command line names it: arms the file
// `armed`, arms and disarms `released`, arms the folder `box` and then the file
// `box\inside` (as a private folder and a download in it are armed), says it
// is ready and waits to be
// interrupted; it ends by itself with OwnEnd after 20 seconds (3 when it
// ignores Ctrl-C and is expected to outlive it).
struct InterruptedChild {
    InterruptedChild() {
        const std::string line = ::GetCommandLineA();
        const size_t flag = line.find(ChildFlag);
        if (flag == std::string::npos) return;
        const std::string folder = line.substr(flag + ChildFlag.size());
        const char mode = folder.back();
        const std::string base = folder.substr(0, folder.size() - 1);
        if (mode == 'i') ::SetConsoleCtrlHandler(nullptr, TRUE);  // Ctrl-C ignored from the start
        if (mode != 'p') platform::RemoveRegisteredFilesOnInterrupt();
        platform::RemovedOnInterrupt guard(base + "\\armed");
        { platform::RemovedOnInterrupt done(base + "\\released"); }
        platform::RemovedOnInterrupt box(base + "\\box");
        platform::RemovedOnInterrupt inside(base + "\\box\\inside");
        WriteTextFile(base + "\\ready", "");
        ::Sleep(mode == 'i' ? 3000 : 20000);
        ::ExitProcess(OwnEnd);
    }
} child;

// Runs the child in `mode` over `folder`, interrupts it once it is ready, and
// returns its exit code.
DWORD RunInterrupted(const std::string& folder, char mode) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string commandLine = "\"" + std::string(self) + "\" " + ChildFlag + folder + mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        ADD_FAILURE() << "cannot start the child: " << ::GetLastError();
        return 0;
    }
    for (int wait = 0; wait < 500 && !std::filesystem::exists(folder + "\\ready"); ++wait)
        ::Sleep(20);
    EXPECT_EQ(InterruptProcessesNamed(ChildFlag + folder + mode), 1);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return exitCode;
}

TEST(InterruptCleanupTest, ACtrlCRemovesArmedFilesAndFoldersAndEndsTheProcessAsItWould) {
    TempFolder plain, cleaned, ignored;
    for (const TempFolder* folder : {&plain, &cleaned, &ignored}) {
        WriteTextFile(*folder / "armed", "partial");
        WriteTextFile(*folder / "released", "complete");
        std::filesystem::create_directory(*folder / "box");
        WriteTextFile(*folder / "box\\inside", "partial");
    }
    // 'p': nothing registered: how the interrupt ends the process.
    const DWORD unhandled = RunInterrupted(plain.Path, 'p');
    EXPECT_NE(unhandled, OwnEnd);
    EXPECT_TRUE(std::filesystem::exists(plain / "armed"));
    EXPECT_TRUE(std::filesystem::exists(plain / "box\\inside"));

    EXPECT_EQ(RunInterrupted(cleaned.Path, 'c'), unhandled);
    EXPECT_FALSE(std::filesystem::exists(cleaned / "armed"));
    EXPECT_FALSE(std::filesystem::exists(cleaned / "box"));
    EXPECT_TRUE(std::filesystem::exists(cleaned / "released"));

    EXPECT_EQ(RunInterrupted(ignored.Path, 'i'), OwnEnd);
    EXPECT_TRUE(std::filesystem::exists(ignored / "armed"));
}

}  // namespace
