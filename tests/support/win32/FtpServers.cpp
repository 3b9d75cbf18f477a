// The Windows side of the FTP test servers. A Windows program under wine cannot
// start a process of this machine and wait for it: the pyftpdlib servers come
// from the test broker of tools/with-test-broker.sh (tests/support/test_broker.py),
// one per object, stopped when the object closes its connection to the broker.
// The scripted server runs in the process, over Windows sockets.

#include "tests/support/FtpServers.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>

#include "TestBroker.h"
#include "tests/support/FaultyFtpServer.h"

static_assert(sizeof(pid_t) >= sizeof(intptr_t), "the broker connection is kept in Child");

namespace {

// Starts a server for `server`; fills Port, Root and `folder` (the Windows path
// of the server's folder), or Problem.
void StartBrokeredServer(ExternalFtpServer& server, pid_t& connection, const std::string& host,
                         std::string& folder, const std::string& verb = "server",
                         const std::string& extra = "") {
    std::string answer;
    const intptr_t asked =
        AskTestBroker(verb + " " + host + (extra.empty() ? "" : " " + extra), answer);
    if (asked == -1) {
        server.Problem = answer;
        return;
    }
    const size_t tab = answer.find('\t');
    if (tab == std::string::npos) {
        EndTestBrokerRequest(asked);
        server.Problem = "the test broker says: " + answer;
        return;
    }
    connection = pid_t(asked);
    folder = WindowsPathOfMachine(answer.substr(tab + 1));
    server.Root = folder + "\\root";
    server.Port = uint16_t(std::atoi(answer.c_str()));
}

}  // namespace

bool OtherFtpServersRunHere() {
    return false;
}

bool PortAccepts(uint16_t port) {
    StartWindowsSockets();
    SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(fd);
    return ok;
}

ExternalFtpServer::~ExternalFtpServer() {
    if (Child != -1) EndTestBrokerRequest(intptr_t(Child));
}

bool ExternalFtpServer::Spawn(const std::vector<std::string>&, int*) {
    return false;
}

PyftpdlibServer::PyftpdlibServer(const std::string& host) {
    std::string folder;
    StartBrokeredServer(*this, Child, host, folder);
    if (Started()) LogPath = folder + "\\commands.log";
}

std::vector<std::string> PyftpdlibServer::Commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(LogPath));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TlsPyftpdlibServer::TlsPyftpdlibServer(FtpTls mode) {
    std::string folder;
    StartBrokeredServer(*this, Child, "127.0.0.1", folder, "tls-server",
                        mode == FtpTls::Implicit ? "implicit" : "explicit");
    if (!Started()) return;
    LogPath = folder + "\\commands.log";
    CertificateFile = folder + "\\tls-cert.pem";
    Fingerprint = ReadTextFile(folder + "\\tls-fingerprint");
    while (!Fingerprint.empty() && (Fingerprint.back() == '\n' || Fingerprint.back() == '\r'))
        Fingerprint.pop_back();
}

std::vector<std::string> TlsPyftpdlibServer::Commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(LogPath));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

FaultyFtpServer::FaultyFtpServer(const std::string& host) {
    std::string folder;
    StartBrokeredServer(*this, Child, host, folder);
    if (!Started()) return;
    CommandLog = folder + "\\commands.log";
    FaultFile = folder + "\\faults";
    FiredLog = folder + "\\fired.log";
}

VsftpdServer::VsftpdServer() {
    Problem = "vsftpd is not run for the Windows tests";
}

void VsftpdServer::GiveToServer(const std::string&) const {}

RealFtpServer::~RealFtpServer() = default;

std::string RealFtpServer::Fingerprint() const {
    return "";
}

void RealFtpServer::Start(const std::string& script, std::vector<std::string>, FtpTls) {
    Problem = script + " is not run for the Windows tests";
}

void RealFtpServer::GiveToServer(const std::string&) const {}

std::vector<std::string> RealFtpServer::Commands() const {
    return {};
}

ProftpdServer::ProftpdServer(FtpTls) {
    Start("proftpd", {});
}

PureFtpdServer::PureFtpdServer(FtpTls) {
    Start("pureftpd", {});
}

VsftpdUserServer::VsftpdUserServer(FtpTls) {
    Home = "/home/" + User;
    Start("vsftpd", {});
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
    StartWindowsSockets();
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

void CloseSocket(int socket) {
    closesocket(SOCKET(socket));
}

// StopFd is a flag here: the server looks at it between short waits.
ScriptedFtpServer::ScriptedFtpServer(Greeter greeter, Script script)
    : Greet(std::move(greeter)), Run(std::move(script)) {
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
    if (!Greet(session)) return;
    std::string pending;
    while (!__atomic_load_n(&StopFd, __ATOMIC_SEQ_CST)) {
        if (!Readable(fd)) continue;
        char buffer[4096];
        int got = recv(SOCKET(fd), buffer, sizeof buffer, 0);
        if (got <= 0) return;
        if (!RunCompleteLines(session, pending, buffer, size_t(got))) return;
    }
}
