// The port of an active data connection's listening socket: where the window
// lies in the system's range, how the range is read, and that binding gives
// distinct ports of that range however many sockets are open at once.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "internet/posix/ListeningPort.h"

namespace {

using platform::ftpclient::BindListeningPort;
using platform::ftpclient::ChoosePortWindow;
using platform::ftpclient::ParsePortRange;
using platform::ftpclient::PortWindow;
using platform::ftpclient::PortWindowSize;
using platform::ftpclient::SocketAddress;

TEST(ListeningPortTest, WindowLiesInsideTheRange) {
    struct Case {
        uint16_t Low, High;
        uint32_t Random;
        uint16_t ExpectedLow, ExpectedHigh;
    };
    const Case cases[] = {
        {32768, 60999, 0, 32768, 32768 + PortWindowSize - 1},  // at the start
        {32768, 60999, 60999 - 32768 - PortWindowSize + 1, 60999 - PortWindowSize + 1, 60999},
        {32768, 60999, 60999 - 32768 - PortWindowSize + 2, 32768, 32768 + PortWindowSize - 1},
        {1024, 65535, 0xffffffffu, 0, 0},  // checked below
        {40000, 40000 + PortWindowSize - 1, 77, 40000, 40000 + PortWindowSize - 1},  // exactly one
        {40000, 40010, 5, 40000, 40010},  // smaller: all of it
        {0, 100, 1, 0, 0},                // no range known
        {500, 400, 1, 0, 0},              // upside down
    };
    for (const Case& c : cases) {
        const PortWindow window = ChoosePortWindow(c.Low, c.High, c.Random);
        if (c.Low == 1024) {
            // Any random number keeps the window whole and inside the range.
            EXPECT_GE(window.Low, c.Low);
            EXPECT_LE(window.High, c.High);
            EXPECT_EQ(uint32_t(window.High - window.Low + 1), PortWindowSize);
            continue;
        }
        EXPECT_EQ(window.Low, c.ExpectedLow) << c.Low << ".." << c.High << " @" << c.Random;
        EXPECT_EQ(window.High, c.ExpectedHigh) << c.Low << ".." << c.High << " @" << c.Random;
    }
}

TEST(ListeningPortTest, ReadsOnlyAWellFormedRange) {
    struct Case {
        const char* Text;
        bool Ok;
        uint16_t Low, High;
    };
    const Case cases[] = {
        {"32768\t60999\n", true, 32768, 60999},
        {"1024 65535", true, 1024, 65535},
        {"5000 5000\n", true, 5000, 5000},
        {"", false, 0, 0},
        {"32768", false, 0, 0},
        {"60999 32768\n", false, 0, 0},
        {"0 100\n", false, 0, 0},
        {"1024 65536\n", false, 0, 0},
        {"-1 100\n", false, 0, 0},
        {"1024 2048 junk\n", false, 0, 0},
    };
    for (const Case& c : cases) {
        uint16_t low = 0, high = 0;
        EXPECT_EQ(ParsePortRange(c.Text, low, high), c.Ok) << '"' << c.Text << '"';
        if (!c.Ok) continue;
        EXPECT_EQ(low, c.Low) << c.Text;
        EXPECT_EQ(high, c.High) << c.Text;
    }
}

// More sockets than a window holds, all open at once: each gets a port of its
// own, within the system's range.
TEST(ListeningPortTest, ManySocketsGetDistinctPorts) {
    SocketAddress loopback;
    auto* in = reinterpret_cast<sockaddr_in*>(&loopback.Storage);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    loopback.Length = sizeof(sockaddr_in);
    uint16_t low = 1, high = 65535;
    if (FILE* file = std::fopen("/proc/sys/net/ipv4/ip_local_port_range", "re")) {
        char text[64] = {};
        text[std::fread(text, 1, sizeof text - 1, file)] = '\0';
        std::fclose(file);
        ASSERT_TRUE(ParsePortRange(text, low, high)) << text;
    }
    std::vector<int> sockets;
    std::set<uint16_t> ports;
    for (uint32_t i = 0; i < 2 * PortWindowSize + 10; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        ASSERT_GE(fd, 0);
        sockets.push_back(fd);
        ASSERT_TRUE(BindListeningPort(fd, loopback)) << i << ": " << std::strerror(errno);
        ASSERT_EQ(listen(fd, 1), 0);
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length), 0);
        const uint16_t port = ntohs(bound.sin_port);
        EXPECT_GE(port, low);
        EXPECT_LE(port, high);
        EXPECT_TRUE(ports.insert(port).second) << port;
    }
    for (int fd : sockets) close(fd);
}

}  // namespace
