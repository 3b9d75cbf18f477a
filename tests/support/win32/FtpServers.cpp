// The Windows side of the FTP test servers. A Windows program under wine cannot
// start the POSIX server itself: tools/with-ftp-server.sh starts pyftpdlib
// around the test program and names it in the environment. The scripted server
// runs in the process, over Windows sockets.

#include "tests/support/FtpServers.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>

namespace {

// The environment's path of this machine as a Windows path (drive Z: is the
// root of the machine under wine).
std::string FromEnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return {};
    std::string path = value;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void StartSockets() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

}  // namespace

bool PortAccepts(uint16_t port) {
    StartSockets();
    SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(fd);
    return ok;
}

ExternalFtpServer::~ExternalFtpServer() = default;

bool ExternalFtpServer::Spawn(const std::vector<std::string>&, int*) {
    return false;
}

PyftpdlibServer::PyftpdlibServer(const std::string& host) {
    const char* port = std::getenv("VELCOPY_TEST_FTP_PORT");
    if (host != "127.0.0.1" || port == nullptr) {
        Problem = "no pyftpdlib server on " + host +
                  ": run the test program through tools/with-ftp-server.sh";
        return;
    }
    Root = FromEnvironmentPath("VELCOPY_TEST_FTP_ROOT");
    LogPath = FromEnvironmentPath("VELCOPY_TEST_FTP_LOG");
    Port = uint16_t(std::atoi(port));
}

std::vector<std::string> PyftpdlibServer::Commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(LogPath));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

VsftpdServer::VsftpdServer() {
    Problem = "vsftpd is not run for the Windows tests";
}

bool ScriptedSession::Send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        int sent = send(SOCKET(Fd), text.data() + done, int(text.size() - done), 0);
        if (sent <= 0) return false;
        done += size_t(sent);
    }
    return true;
}

int ListenOnLoopback(int backlog, uint16_t& port) {
    StartSockets();
    SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, backlog);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return int(fd);
}

// StopFd is a flag here: the server looks at it between short waits.
ScriptedFtpServer::ScriptedFtpServer(std::string greeting, Script script)
    : Greeting(std::move(greeting)), Run(std::move(script)) {
    ListenFd = ListenOnLoopback(8, ListenPort);
    StopFd = 0;
    Worker = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    __atomic_store_n(&StopFd, 1, __ATOMIC_SEQ_CST);
    Worker.join();
    closesocket(SOCKET(ListenFd));
}

namespace {

// Waits up to 50 ms for the socket to be readable.
bool Readable(int fd) {
    WSAPOLLFD wait{SOCKET(fd), POLLRDNORM, 0};
    return WSAPoll(&wait, 1, 50) == 1;
}

}  // namespace

void ScriptedFtpServer::Serve() {
    while (!__atomic_load_n(&StopFd, __ATOMIC_SEQ_CST)) {
        if (!Readable(ListenFd)) continue;
        SOCKET fd = accept(SOCKET(ListenFd), nullptr, nullptr);
        if (fd == INVALID_SOCKET) continue;
        ++Accepted;
        ServeOne(int(fd));
        closesocket(fd);
    }
}

void ScriptedFtpServer::ServeOne(int fd) {
    ScriptedSession session(fd);
    if (!Greeting.empty() && !session.Send(Greeting)) return;
    std::string pending;
    while (!__atomic_load_n(&StopFd, __ATOMIC_SEQ_CST)) {
        if (!Readable(fd)) continue;
        char buffer[4096];
        int got = recv(SOCKET(fd), buffer, sizeof buffer, 0);
        if (got <= 0) return;
        pending.append(buffer, size_t(got));
        for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            if (!Run(session, line)) return;
        }
    }
}

ScriptedFtpServer::Script LoginThen(
    std::function<bool(ScriptedSession&, const std::string&)> next) {
    return [next](ScriptedSession& session, const std::string& line) {
        if (line.rfind("USER ", 0) == 0) return session.Send("331 Password please.\r\n");
        if (line.rfind("PASS ", 0) == 0) return session.Send("230 Logged in.\r\n");
        return next(session, line);
    };
}
