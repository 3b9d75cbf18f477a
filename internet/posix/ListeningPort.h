#pragma once
// Internal to the POSIX FTP client: the port of a listening socket for an active
// data connection.
//
// Asked for any port, the system takes the first free one after a random start.
// Every data connection leaves a port in TIME-WAIT for a minute, and those ports
// gather in long runs, so after a few thousand transfers each bind searches a long
// run of them: on loopback, where the server's own data sockets take their ports
// from the same range, a bind came to cost more than the file it was for. The
// client therefore asks for a port in a small window at a random place of the
// system's range first (IP_LOCAL_PORT_RANGE, Linux 6.3 on: the system still skips
// reserved and used ports), and in the whole range when the window is full or the
// system cannot narrow the search.

#include <cstdint>

#include "internet/client/Socket.h"

namespace platform::ftpclient {

struct PortWindow {
    uint16_t Low = 0;
    uint16_t High = 0;  // inclusive; Low == High == 0: no window
};

// How many ports a window spans.
constexpr uint32_t PortWindowSize = 128;

// The window that `random` picks in the range low..high (inclusive): the whole
// range when it is not larger than a window, none when the range is empty.
PortWindow ChoosePortWindow(uint16_t low, uint16_t high, uint32_t random);

// "32768\t60999\n" (ip_local_port_range) into low and high; false for anything else.
bool ParsePortRange(const char* text, uint16_t& low, uint16_t& high);

// Binds fd (a TCP socket of address's family) to address's host at a free port.
// false with errno set when no port could be had.
bool BindListeningPort(int fd, const SocketAddress& address);

}  // namespace platform::ftpclient
