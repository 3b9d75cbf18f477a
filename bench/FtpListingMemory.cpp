// Memory that one listing costs the platform FTP client: a fake server on
// 127.0.0.1 sends a LIST of the given size made of one kind of line, and the
// client lists it (FtpFindFirstFile, then every record). Prints the listing's
// bytes and entries, the growth of the process's peak resident memory during the
// call, and that growth as a multiple of the listing's bytes.
//
// Usage: bench_FtpListingMemory [MiB, default 255] [short|typical|long, default short]
//   short    "-rw-r--r-- 0 Jan  1  2020 a"-style lines, the shortest a server can
//            send that still make entries (the worst case per byte);
//   typical  vsftpd-style lines with 16-character names;
//   long     vsftpd-style lines with 100-character names.
// One measurement per run: the peak of a process only grows.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "internet/InternetClient.h"
#include "platform/LastError.h"

namespace {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Listen(uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, 4);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

bool SendAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += size_t(sent);
    }
    return true;
}

std::string LineOf(const std::string& kind, size_t index) {
    char name[128];
    if (kind == "short") return "-rw-r--r-- 0 Jan  1  2020 a\r\n";
    size_t width = kind == "long" ? 100 : 16;
    std::snprintf(name, sizeof name, "%0*zu", int(width), index);
    return std::string("-rw-r--r--    1 2121     2121         4096 Dec 08 05:35 ") + name + "\r\n";
}

// Serves one session: login, PASV, one LIST of `bytes` bytes of lines, made as it
// goes so the server holds no listing in memory.
void Serve(int listener, size_t bytes, const std::string& kind) {
    int control = accept(listener, nullptr, nullptr);
    uint16_t dataPort = 0;
    int dataListener = Listen(dataPort);
    SendAll(control, "220 ready\r\n");
    std::string pending;
    char buffer[1024];
    for (;;) {
        ssize_t got = recv(control, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        pending.append(buffer, size_t(got));
        for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            if (line.rfind("USER", 0) == 0) {
                SendAll(control, "230 in\r\n");
            } else if (line == "PASV") {
                SendAll(control, "227 Entering Passive Mode (127,0,0,1," +
                                     std::to_string(dataPort / 256) + "," +
                                     std::to_string(dataPort % 256) + ").\r\n");
            } else if (line.rfind("LIST", 0) == 0) {
                SendAll(control, "150 here\r\n");
                int data = accept(dataListener, nullptr, nullptr);
                std::string chunk;
                size_t sent = 0;
                for (size_t index = 0; sent < bytes; ++index) {
                    chunk += LineOf(kind, index);
                    if (chunk.size() >= 65536 || sent + chunk.size() >= bytes) {
                        if (!SendAll(data, chunk)) break;
                        sent += chunk.size();
                        chunk.clear();
                    }
                }
                close(data);
                SendAll(control, "226 done\r\n");
            } else {
                SendAll(control, "200 ok\r\n");
            }
        }
    }
    close(dataListener);
    close(control);
}

}  // namespace

int main(int argc, char** argv) {
    size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 255;
    std::string kind = argc > 2 ? argv[2] : "short";
    size_t bytes = mib * 1024 * 1024;
    uint16_t port = 0;
    int listener = Listen(port);
    std::thread server(Serve, listener, bytes, kind);

    platform::InternetHandle session = platform::InternetOpen("bench");
    platform::InternetHandle connection = platform::InternetConnect(
        session, "127.0.0.1", port, "u", "p", platform::InternetFlagPassive, 0);
    if (!connection) {
        std::fprintf(stderr, "connect failed: %u\n", platform::GetLastErrorCode());
        return 1;
    }
    long before = PeakKiB();
    platform::FindData entry;
    size_t entries = 0;
    platform::InternetHandle find = platform::FtpFindFirstFile(connection, "", entry, 0, 3);
    if (find) {
        do ++entries;
        while (platform::InternetFindNextFile(find, entry));
        platform::InternetCloseHandle(find);
    }
    long after = PeakKiB();
    uint32_t error = find ? 0 : platform::GetLastErrorCode();
    platform::InternetCloseHandle(connection);
    platform::InternetCloseHandle(session);
    server.join();
    close(listener);

    double growth = double(after - before) * 1024;
    std::printf("%-8s listing %7.1f MiB  entries %9zu  error %5u  peak growth %7.1f MiB  %.2f x\n",
                kind.c_str(), bytes / 1048576.0, entries, error, growth / 1048576.0,
                growth / double(bytes));
    return 0;
}
