#include "tests/support/FtpServers.h"

#include "tests/support/FaultyFtpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

const char* const PyftpdlibScript = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, log, host = sys.argv[1], sys.argv[2], sys.argv[3]
logging.disable(logging.CRITICAL)
class Handler(FTPHandler):
    def pre_process_command(self, line, cmd, arg):
        with open(log, "a") as out:
            out.write(line + "\n")
        return super().pre_process_command(line, cmd, arg)
    def _on_dtp_connection(self):
        # pyftpdlib closes the connector of an active data connection again with the
        # control connection, when its descriptor number may serve another client.
        self._dtp_connector = None
        super()._on_dtp_connection()
authorizer = DummyAuthorizer()
authorizer.add_user("user", "secret", root, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0
server = FTPServer((host, 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
)";

bool CanBind(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

// Ports for servers that are told which ports to take: blocks of 32 below the
// range the system hands out for its own sockets (from 32768), so that no
// client socket, passive listener of pyftpdlib or server of another test takes
// one meanwhile. Test programs run side by side, so each block is reserved by a
// lock file held for the life of this process. 0 when none is free.
uint16_t ReservePortBlock() {
    constexpr int First = 20000, Last = 32736, Block = 32;
    const std::string folder = "/tmp/velcopy-test-ports";
    mkdir(folder.c_str(), 01777);
    const int blocks = (Last - First) / Block;
    const int start = int(getpid()) % blocks;
    for (int i = 0; i < blocks; ++i) {
        const uint16_t base = uint16_t(First + ((start + i) % blocks) * Block);
        const std::string lock = folder + "/" + std::to_string(base);
        const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            continue;
        }
        bool free = true;
        for (int port = base; port < base + Block && free; ++port) free = CanBind(uint16_t(port));
        if (free) return base;  // the lock stays held until this process ends
        close(fd);
    }
    return 0;
}

bool WaitUntilAccepting(uint16_t port, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (PortAccepts(port)) return true;
        usleep(20000);
    }
    return false;
}

}  // namespace

bool OtherFtpServersRunHere() {
    return true;
}

bool PortAccepts(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

ExternalFtpServer::~ExternalFtpServer() {
    if (Child > 0) {
        kill(Child, SIGTERM);
        int status = 0;
        waitpid(Child, &status, 0);
    }
}

bool ExternalFtpServer::Spawn(const std::vector<std::string>& argv, int* stdoutPipe) {
    int pipeFds[2] = {-1, -1};
    if (stdoutPipe && pipe(pipeFds) != 0) return false;
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(stdoutPipe ? pipeFds[1] : null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    Child = child;
    if (stdoutPipe) {
        close(pipeFds[1]);
        *stdoutPipe = pipeFds[0];
    }
    return true;
}

PyftpdlibServer::PyftpdlibServer(const std::string& host) {
    Root = Folder / "root";
    LogPath = Folder / "commands.log";
    mkdir(Root.c_str(), 0755);
    std::string script = Folder / "server.py";
    WriteTextFile(script, PyftpdlibScript);
    WriteTextFile(LogPath, "");
    StartPythonServer({script, Root, LogPath, host}, "pyftpdlib");
}

TlsPyftpdlibServer::TlsPyftpdlibServer(FtpTls mode) {
    Root = Folder / "root";
    LogPath = Folder / "commands.log";
    mkdir(Root.c_str(), 0755);
    WriteTextFile(LogPath, "");
    StartPythonServer({std::string(VELCOPY_SOURCE_DIR) + "/tests/support/tls_ftpd.py", Root,
                       LogPath, Folder.Path, "127.0.0.1",
                       mode == FtpTls::Implicit ? "implicit" : "explicit"},
                      "pyftpdlib with TLS");
    if (!Started()) return;
    CertificateFile = Folder / "tls-cert.pem";
    Fingerprint = ReadTextFile(Folder / "tls-fingerprint");
    while (!Fingerprint.empty() && (Fingerprint.back() == '\n' || Fingerprint.back() == '\r'))
        Fingerprint.pop_back();
}

std::vector<std::string> TlsPyftpdlibServer::Commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(LogPath));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void ExternalFtpServer::StartPythonServer(const std::vector<std::string>& scriptAndArguments,
                                          const std::string& what) {
    if (access("/usr/bin/python3", X_OK) != 0) {
        Problem = "/usr/bin/python3 is not installed";
        return;
    }
    std::vector<std::string> argv = {"/usr/bin/python3"};
    argv.insert(argv.end(), scriptAndArguments.begin(), scriptAndArguments.end());
    int out = -1;
    if (!Spawn(argv, &out)) {
        Problem = "cannot start /usr/bin/python3";
        return;
    }
    // The server prints its port once it listens; nothing within 10 s means the
    // module is missing.
    pollfd wait{out, POLLIN, 0};
    char text[32] = {};
    if (poll(&wait, 1, 10000) == 1 && read(out, text, sizeof text - 1) > 0)
        Port = uint16_t(atoi(text));
    close(out);
    if (Port == 0) Problem = what + " did not start (is python3-pyftpdlib installed?)";
    OverwritesReadOnlyFiles = geteuid() == 0;
}

std::vector<std::string> PyftpdlibServer::Commands() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(LogPath));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

FaultyFtpServer::FaultyFtpServer(const std::string& host) {
    Root = Folder / "root";
    CommandLog = Folder / "commands.log";
    FaultFile = Folder / "faults";
    FiredLog = Folder / "fired.log";
    mkdir(Root.c_str(), 0755);
    WriteTextFile(CommandLog, "");
    WriteTextFile(FiredLog, "");
    std::string script = std::string(VELCOPY_SOURCE_DIR) + "/tests/support/faulty_ftpd.py";
    StartPythonServer({script, Root, CommandLog, FaultFile, FiredLog, host}, "the faulty server");
}

VsftpdServer::VsftpdServer() {
    const char* binary = "/usr/sbin/vsftpd";
    if (access(binary, X_OK) != 0) {
        Problem = "vsftpd is not installed";
        return;
    }
    Root = Folder / "root";
    Pub = Root + "/pub";
    LogPath = Folder / "vsftpd.log";
    mkdir(Root.c_str(), 0755);
    mkdir(Pub.c_str(), 0755);
    chmod(Folder.Path.c_str(), 0755);
    // Anonymous sessions run as the "ftp" user; its uploads go into pub.
    if (passwd* ftp = getpwnam("ftp")) chown(Pub.c_str(), ftp->pw_uid, ftp->pw_gid);
    bool root = geteuid() == 0;
    for (int attempt = 0; attempt < 3 && Port == 0; ++attempt) {
        const uint16_t port = ReservePortBlock();
        if (port == 0) break;
        std::string config = Folder / "vsftpd.conf";
        std::ostringstream text;
        text << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
             << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
                "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                "anon_other_write_enable=YES\nanon_umask=022\nno_anon_password=YES\n"
                "anon_root="
             << Root << "\nsecure_chroot_dir=/var/run/vsftpd/empty\n"
             << (root ? "ftp_username=ftp\n" : "run_as_launching_user=YES\n")
             << "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
                "seccomp_sandbox=NO\nlog_ftp_protocol=YES\nxferlog_enable=YES\n"
                "xferlog_std_format=NO\nvsftpd_log_file="
             << LogPath << "\nmax_per_ip=0\nmax_clients=0\n";
        WriteTextFile(config, text.str());
        if (!Spawn({binary, config}, nullptr)) break;
        if (WaitUntilAccepting(port, 3000)) {
            Port = port;
        } else {
            kill(Child, SIGTERM);
            waitpid(Child, nullptr, 0);
            Child = -1;
        }
    }
    if (Port == 0 && Problem.empty()) Problem = "vsftpd did not start";
}

void VsftpdServer::GiveToServer(const std::string& path) const {
    passwd* ftp = getpwnam("ftp");
    if (ftp == nullptr) return;
    std::error_code ignored;
    for (auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
        lchown(entry.path().c_str(), ftp->pw_uid, ftp->pw_gid);
    lchown(path.c_str(), ftp->pw_uid, ftp->pw_gid);
}

namespace {

const std::string ServerScripts = std::string(VELCOPY_SOURCE_DIR) + "/tools/ftp-servers/";

// Runs argv with the current environment plus extra ("NAME=value"), waits for it
// at most timeoutMs and returns its exit status (-1 when it could not run or took
// too long); output receives what it wrote to stdout and stderr.
int RunScript(const std::vector<std::string>& argv, const std::vector<std::string>& extra,
              std::string& output, int timeoutMs) {
    std::vector<std::string> environment(extra);
    for (char** item = environ; *item; ++item) environment.push_back(*item);
    std::vector<char*> args, env;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    for (const std::string& item : environment) env.push_back(const_cast<char*>(item.c_str()));
    args.push_back(nullptr);
    env.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // a script outlives no test
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close_range(3, ~0U, 0);  // a daemon the script starts keeps none of ours
        execve(args[0], args.data(), env.data());
        _exit(127);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return -1;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, int(left.count())) == 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, size_t(got));
    }
    close(fds[0]);
    if (timedOut) kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return !timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The last line of a script's output that says something: its reason for failing.
std::string LastLine(const std::string& output) {
    std::istringstream in(output);
    std::string last;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) last = line;
    return last;
}

// The command of one command-log line: vsftpd's `... FTP command: Client "ip",
// "LIST -a"` and ProFTPD's `[time] ip user LIST "LIST -a" 226` both quote it last.
// Other lines (replies, transfers) give false.
bool LoggedCommand(const std::string& line, std::string& command) {
    size_t open = std::string::npos;
    size_t marker = line.find("FTP command: Client \"");
    if (marker != std::string::npos) {
        open = line.find("\", \"", marker);
        if (open != std::string::npos) open += 3;
    } else if (line.rfind("[", 0) == 0) {
        open = line.find('"');
    }
    size_t close = line.rfind('"');
    if (open == std::string::npos || close == std::string::npos || close <= open) return false;
    command = line.substr(open + 1, close - open - 1);
    return true;
}

}  // namespace

RealFtpServer::~RealFtpServer() {
    if (GuardFd >= 0) close(GuardFd);  // the guard stops the server
}

std::string RealFtpServer::Fingerprint() const {
    std::ifstream file(State + "/tls-cert.sha256");
    std::string line;
    std::getline(file, line);
    return line;
}

void RealFtpServer::Start(const std::string& script, std::vector<std::string> environment,
                          FtpTls tls) {
    if (tls != FtpTls::None)
        environment.push_back(tls == FtpTls::Explicit ? "FTPM_TLS=explicit" : "FTPM_TLS=implicit");
    if (geteuid() != 0) {
        Problem = "the server scripts of tools/ftp-servers run as root only";
        return;
    }
    // The servers chroot into Root and drop to their own user: the path must be
    // reachable for them.
    chmod(Folder.Path.c_str(), 0755);
    Root = Folder / "root";
    mkdir(Root.c_str(), 0755);
    char pattern[] = "/tmp/velftp-state-XXXXXX";
    if (!mkdtemp(pattern)) {
        Problem = "cannot make a state folder";
        return;
    }
    State = pattern;
    // The guard watches before anything runs, so that no moment is left in which
    // the test's end would leave a server behind.
    StartGuard();
    // A port taken by someone else between choosing and binding is tried again.
    for (int attempt = 0; attempt < 3 && Port == 0; ++attempt)
        if (!StartOnce(script, environment)) break;
}

bool RealFtpServer::StartOnce(const std::string& script,
                              const std::vector<std::string>& environment) {
    // The block's first port for the control connection, the next 16 passive.
    const uint16_t port = ReservePortBlock();
    if (port == 0) {
        Problem = "no block of free ports below 32768";
        return false;
    }
    const uint16_t passiveMin = uint16_t(port + 1);
    std::vector<std::string> extra = {"FTPM_STATE=" + State, "FTPM_NO_FETCH=1"};
    extra.insert(extra.end(), environment.begin(), environment.end());
    std::string output;
    int status = RunScript(
        {"/bin/bash", ServerScripts + "start-" + script + ".sh", std::to_string(port),
         std::to_string(passiveMin), std::to_string(passiveMin + 15), Root, User, Password},
        extra, output, 60000);
    if (status == 0 && PortAccepts(port)) {
        Port = port;
        return true;
    }
    std::string ignored;
    RunScript({"/bin/bash", ServerScripts + "stop.sh", State}, {}, ignored, 20000);
    Problem = script + " did not start: " + LastLine(output);
    // Only a port that was taken meanwhile is worth another try.
    return output.find("already in use") != std::string::npos;
}

void RealFtpServer::StartGuard() {
    // The guard is a grandchild in a session of its own, so that neither a signal
    // to the test's process group nor the test's end takes it down before it has
    // stopped the server; it waits for the write end of a pipe to close.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    std::string stop = ServerScripts + "stop.sh";
    const char* const argv[] = {"/bin/bash", "-c",         "bash \"$1\" \"$2\"; rm -rf \"$2\"",
                                "guard",     stop.c_str(), State.c_str(),
                                nullptr};
    pid_t child = fork();
    if (child == 0) {
        if (fork() != 0) _exit(0);
        setsid();
        int null = open("/dev/null", O_RDWR);
        dup2(fds[0], 0);
        dup2(null, 1);
        dup2(null, 2);
        close_range(3, ~0U, 0);
        char byte;
        while (read(0, &byte, 1) < 0 && errno == EINTR) {
        }
        execv(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    close(fds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    GuardFd = fds[1];
}

void RealFtpServer::GiveToServer(const std::string& path) const {
    std::error_code ignored;
    lchown(path.c_str(), Uid, Gid);
    for (auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
        lchown(entry.path().c_str(), Uid, Gid);
}

std::vector<std::string> RealFtpServer::Commands() const {
    std::vector<std::string> commands;
    if (CommandLog.empty()) return commands;
    // A server may log a command a moment after it has answered it: read until the
    // log stays the same for a little while.
    std::string text = ReadTextFile(State + "/" + CommandLog);
    for (int wait = 0; wait < 20; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::string again = ReadTextFile(State + "/" + CommandLog);
        if (again == text) break;
        text = again;
    }
    std::istringstream in(text);
    std::string command;
    for (std::string line; std::getline(in, line);)
        if (LoggedCommand(line, command)) commands.push_back(command);
    return commands;
}

ProftpdServer::ProftpdServer(FtpTls tls) {
    CommandLog = "commands.log";
    Start("proftpd", {}, tls);
    HomeFolder = Root;
}

PureFtpdServer::PureFtpdServer(FtpTls tls) {
    Start("pureftpd", {}, tls);
    HomeFolder = Root;
}

VsftpdUserServer::VsftpdUserServer(FtpTls tls) {
    CommandLog = "vsftpd.log";
    Home = "/home/" + User;
    Start("vsftpd", {"FTPM_HOME=home/" + User}, tls);
    HomeFolder = Root + Home;
}

bool ScriptedSession::Send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t sent = send(Fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += size_t(sent);
    }
    return true;
}

int ListenOnLoopback(int backlog, uint16_t& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, backlog);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

void CloseSocket(int socket) {
    close(socket);
}

ScriptedFtpServer::ScriptedFtpServer(Greeter greeter, Script script)
    : Greet(std::move(greeter)), Run(std::move(script)) {
    ListenFd = ListenOnLoopback(8, ListenPort);
    StopFd = eventfd(0, EFD_CLOEXEC);
    Worker = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    uint64_t one = 1;
    if (write(StopFd, &one, sizeof one) < 0) {
    }
    Worker.join();
    close(ListenFd);
    close(StopFd);
}

void ScriptedFtpServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{ListenFd, POLLIN, 0}, {StopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || fds[1].revents) return;
        int fd = accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++Accepted;
        ServeOne(fd);
        close(fd);
    }
}

void ScriptedFtpServer::ServeOne(int fd) {
    ScriptedSession session(fd);
    if (!Greet(session)) return;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {StopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || fds[1].revents) return;
        char buffer[4096];
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        if (!RunCompleteLines(session, pending, buffer, size_t(got))) return;
    }
}
