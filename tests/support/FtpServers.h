#pragma once
// FTP servers for the integration tests, all on 127.0.0.1 and on ports
// the system hands out, so that test programs can run side by side:
// - PyftpdlibServer: pyftpdlib with one user ("user"/"secret") over a temp folder,
//   logging every command it receives (on "::1" for the IPv6 tests);
// - VsftpdServer: vsftpd standalone with its own configuration, anonymous with
//   uploads into the writable folder "pub" of a temp root;
// - ScriptedFtpServer: an in-process fake whose replies a test scripts, for
//   servers that stall, drop the connection or misbehave.
// A server that cannot be started leaves Started() false and a reason in Problem.

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"

class ExternalFtpServer {
public:
    virtual ~ExternalFtpServer();
    bool Started() const { return Port != 0; }
    uint16_t Port = 0;
    std::string Problem;
    TempFolder Folder;
    std::string Root;  // the folder the FTP root shows

protected:
    bool Spawn(const std::vector<std::string>& argv, int* stdoutPipe);
    pid_t Child = -1;
};

class PyftpdlibServer : public ExternalFtpServer {
public:
    explicit PyftpdlibServer(const std::string& host = "127.0.0.1");
    // Every command line received so far, in order (PASS lines included).
    std::vector<std::string> Commands() const;
    std::string LogPath;
};

class VsftpdServer : public ExternalFtpServer {
public:
    VsftpdServer();
    std::string Pub;  // Root + "/pub", writable by anonymous uploads
    std::string LogPath;
};

// One control connection of a ScriptedFtpServer, as its script sees it.
class ScriptedSession {
public:
    explicit ScriptedSession(int fd) : Fd(fd) {}
    bool Send(const std::string& text);
    int Fd;
};

class ScriptedFtpServer {
public:
    // Called for each command line received (without CR LF); returns false to close
    // the connection. A script that sends nothing makes the server stall.
    using Script = std::function<bool(ScriptedSession& session, const std::string& line)>;

    ScriptedFtpServer(std::string greeting, Script script);
    ~ScriptedFtpServer();
    uint16_t Port() const { return ListenPort; }
    int Connections() const { return Accepted.load(); }

private:
    void Serve();
    void ServeOne(int fd);

    std::string Greeting;
    Script Run;
    int ListenFd = -1;
    int StopFd = -1;
    uint16_t ListenPort = 0;
    std::atomic<int> Accepted{0};
    std::thread Worker;
};

// A script that logs in any user with any password and answers every other
// command with the given reply.
ScriptedFtpServer::Script LoginThen(std::function<bool(ScriptedSession&, const std::string&)> next);

// Whether something accepts TCP connections on 127.0.0.1:port.
bool PortAccepts(uint16_t port);
// A listening socket on a free port of 127.0.0.1; the port is stored in `port`.
int ListenOnLoopback(int backlog, uint16_t& port);
