#include "internet/posix/ListeningPort.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace platform::ftpclient {

namespace {

// Not in every C library's headers yet (linux/in.h has it).
constexpr int LocalPortRangeOption = 51;

// The range the system hands ports out of, read once; false when unknown.
bool SystemPortRange(uint16_t& low, uint16_t& high) {
    static const PortWindow range = [] {
        PortWindow read;
        char text[64] = {};
        if (FILE* file = std::fopen("/proc/sys/net/ipv4/ip_local_port_range", "re")) {
            size_t got = std::fread(text, 1, sizeof text - 1, file);
            text[got] = '\0';
            std::fclose(file);
            if (!ParsePortRange(text, read.Low, read.High)) read = PortWindow();
        }
        return read;
    }();
    low = range.Low;
    high = range.High;
    return high != 0;
}

uint32_t RandomNumber() {
    thread_local std::minstd_rand generator(std::random_device{}());
    return uint32_t(generator());
}

bool SetPortRange(int fd, uint32_t value) {
    return setsockopt(fd, IPPROTO_IP, LocalPortRangeOption, &value, sizeof value) == 0;
}

bool BindAnyPort(int fd, const SocketAddress& address) {
    SocketAddress local = address;
    local.SetPort(0);
    return bind(fd, reinterpret_cast<const sockaddr*>(&local.Storage), local.Length) == 0;
}

}  // namespace

PortWindow ChoosePortWindow(uint16_t low, uint16_t high, uint32_t random) {
    if (low == 0 || high < low) return PortWindow();
    const uint32_t span = uint32_t(high) - low + 1;
    if (span <= PortWindowSize) return PortWindow{low, high};
    const uint32_t start = low + random % (span - PortWindowSize + 1);
    return PortWindow{uint16_t(start), uint16_t(start + PortWindowSize - 1)};
}

bool ParsePortRange(const char* text, uint16_t& low, uint16_t& high) {
    unsigned first = 0, last = 0;
    int used = 0;
    if (std::sscanf(text, "%u %u%n", &first, &last, &used) != 2) return false;
    for (const char* rest = text + used; *rest; ++rest)
        if (*rest != '\n' && *rest != ' ' && *rest != '\t') return false;
    if (first == 0 || first > last || last > 65535) return false;
    low = uint16_t(first);
    high = uint16_t(last);
    return true;
}

bool BindListeningPort(int fd, const SocketAddress& address) {
    uint16_t low = 0, high = 0;
    if (SystemPortRange(low, high)) {
        const PortWindow window = ChoosePortWindow(low, high, RandomNumber());
        if (window.High != 0 && SetPortRange(fd, uint32_t(window.High) << 16 | window.Low)) {
            if (BindAnyPort(fd, address)) return true;
            // The window is full: search the whole range.
            if (errno != EADDRINUSE || !SetPortRange(fd, 0)) return false;
        }
    }
    return BindAnyPort(fd, address);
}

}  // namespace platform::ftpclient
