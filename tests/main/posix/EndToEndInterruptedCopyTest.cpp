// Nothing is left half-written at the destination by a run that is interrupted
// or killed, and names up to the longest a POSIX file system takes (in bytes of
// UTF-8) are copied and replaced, with and without /T.
//
// A run is interrupted at a known point by holding its first read of the file
// being copied with a fanotify permission event (root only): the signal is sent
// while the copy's temporary file exists and the read waits.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/fanotify.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Answers every permission event with "allow" and closes its descriptor; true
// when at least one was read.
bool AllowPendingEvents(int group) {
    alignas(fanotify_event_metadata) char buffer[4096];
    const ssize_t got = read(group, buffer, sizeof buffer);
    if (got <= 0) return false;
    auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
    for (ssize_t left = got; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
        fanotify_response response{event->fd, FAN_ALLOW};
        (void)!write(group, &response, sizeof response);
        if (event->fd >= 0) close(event->fd);
    }
    return true;
}

// Runs VelCopy with `arguments` and sends it `signal` when it first reads
// `watched`. The wait status, or -1 when permission events are not available.
int RunInterruptedAtFirstRead(const std::vector<std::string>& arguments, const std::string& watched,
                              int signal) {
    const int group = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY);
    if (group < 0) return -1;
    if (fanotify_mark(group, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, watched.c_str()) != 0) {
        close(group);
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        std::vector<char*> argv = {const_cast<char*>(VELCOPY_BINARY)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(VELCOPY_BINARY, argv.data());
        _exit(127);
    }
    bool signalled = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) kill(child, SIGKILL);
        pollfd ready{group, POLLIN, 0};
        if (poll(&ready, 1, 20) <= 0) continue;
        if (!signalled) {
            // The read waits for the answer below: the copy is in progress.
            kill(child, signal);
            signalled = true;
        }
        AllowPendingEvents(group);
    }
    close(group);
    EXPECT_TRUE(signalled) << "the run never read " << watched;
    return status;
}

class EndToEndInterruptedCopy : public TwoTrees {
protected:
    // The destination's entries named as the program names its temporary files.
    std::vector<std::string> TemporaryFiles() const {
        std::vector<std::string> found;
        for (const std::string& path : TreeOf(Dst))
            if (path.rfind(".velcopy-", 0) == 0) found.push_back(path);
        return found;
    }

    const std::string Content = std::string(1 << 20, 'n');
};

#define SKIP_WITHOUT_PERMISSION_EVENTS(status) \
    if ((status) == -1) GTEST_SKIP() << "fanotify permission events need CAP_SYS_ADMIN"

TEST_F(EndToEndInterruptedCopy, AKilledCopyOfANewFileLeavesNothingUnderItsNameAndIsMadeAgain) {
    MakeFile(Src + "/big.bin", Content);
    const int status = RunInterruptedAtFirstRead({Src, Dst}, Src + "/big.bin", SIGKILL);
    SKIP_WITHOUT_PERMISSION_EVENTS(status);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(std::filesystem::exists(Dst + "/big.bin"));
    EXPECT_EQ(TemporaryFiles().size(), 1u);
    // /N once kept a truncated file under the real name for good.
    Run({"/N"});
    EXPECT_EQ(ReadTextFile(Dst + "/big.bin"), Content);
    EXPECT_THAT(TemporaryFiles(), IsEmpty());
}

TEST_F(EndToEndInterruptedCopy, AnInterruptRemovesTheCopyInProgressAndEndsTheRunAsItWould) {
    MakeFile(Src + "/big.bin", Content);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool replacing : {false, true}) {
            SCOPED_TRACE(std::string(strsignal(signal)) + (replacing ? ", replacing" : ", new"));
            std::filesystem::remove_all(Dst);
            if (replacing) MakeFile(Dst + "/big.bin", "old");
            std::filesystem::create_directories(Dst);
            const int status = RunInterruptedAtFirstRead({Src, Dst}, Src + "/big.bin", signal);
            SKIP_WITHOUT_PERMISSION_EVENTS(status);
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), signal);
            EXPECT_EQ(TreeOf(Dst),
                      replacing ? std::vector<std::string>{"big.bin"} : std::vector<std::string>{});
            if (replacing) {
                EXPECT_EQ(ReadTextFile(Dst + "/big.bin"), "old");
            }
        }
    }
}

// Names of 240 to 255 bytes (the longest a file system takes) are copied and
// then replaced, with the temporary name of /T cut to fit.
TEST_F(EndToEndInterruptedCopy, TheLongestNamesAreCopiedAndReplacedAlsoThroughATempPrefix) {
    const std::string accented = "\xC3\xA9";  // two bytes in UTF-8
    std::vector<std::string> names;
    for (const size_t length : {240, 250, 254, 255})
        names.push_back(std::to_string(length) + std::string(length - 3, 'n'));
    std::string wide;  // 254 bytes of two-byte characters
    while (wide.size() < 254) wide += accented;
    names.push_back(wide);
    const std::vector<std::string> prefixes = {"", "/T:tmp", "/T:" + std::string(100, 'p')};
    for (const std::string& prefix : prefixes) {
        SCOPED_TRACE("prefix " + prefix);
        std::filesystem::remove_all(Dst);
        std::filesystem::create_directories(Dst);
        const std::vector<std::string> switches =
            prefix.empty() ? std::vector<std::string>{} : std::vector<std::string>{prefix};
        for (const std::string& name : names) MakeFile(Src + "/" + name, "first");
        RunResult copied = Run(switches);
        for (const std::string& name : names) {
            MakeFile(Src + "/" + name, "second");
            SetModified(Dst + "/" + name, 1600000000);
        }
        RunResult replaced = Run(switches);
        for (const std::string& name : names)
            EXPECT_EQ(ReadTextFile(Dst + "/" + name), "second") << name.size();
        EXPECT_EQ(TreeOf(Dst).size(), names.size());
        EXPECT_EQ(CountLinesStartingWith(copied, "!! "), 0);
        EXPECT_EQ(CountLinesStartingWith(replaced, "!! "), 0);
    }
}

}  // namespace
