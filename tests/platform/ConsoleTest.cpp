#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/Console.h"

namespace {

// Standard output is swapped for a pipe; what was written must be readable at
// once, without the process flushing or ending.
TEST(ConsoleTest, StandardConsoleWritesAtOnce) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    ASSERT_GE(dup2(pipeEnds[1], STDOUT_FILENO), 0);
    const std::string bytes = "\rDirectories: 1/2" + std::string(3, ' ') + std::string(3, '\b');
    platform::StandardConsole().Write(bytes);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(pipeEnds[1]);
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    char buffer[256];
    ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    close(pipeEnds[0]);
    ASSERT_GT(got, 0);
    EXPECT_EQ(std::string(buffer, size_t(got)), bytes);
}

TEST(ConsoleTest, CapturingConsoleKeepsEveryByte) {
    platform::CapturingConsole console;
    console.Write("a\r\n");
    console.Write(std::string("\0\b", 2));
    EXPECT_EQ(console.Text, std::string("a\r\n\0\b", 5));
}

}  // namespace
