#pragma once
// FTP servers for the integration tests, all on 127.0.0.1 and on ports
// the system hands out, so that test programs can run side by side:
// - PyftpdlibServer: pyftpdlib with one user ("user"/"secret") over a temp folder,
//   logging every command it receives (on "::1" for the IPv6 tests);
// - VsftpdServer: vsftpd standalone with its own configuration, anonymous with
//   uploads into the writable folder "pub" of a temp root;
// - ProftpdServer, PureFtpdServer, VsftpdUserServer: real servers run by the
//   scripts of tools/ftp-servers, each with one user ("user"/"secret") over a
//   temp folder (see RealFtpServer);
// - ScriptedFtpServer: an in-process fake whose replies a test scripts, for
//   servers that stall, drop the connection or misbehave.
// (FaultyFtpServer.h has a pyftpdlib server whose faults a test arms.)
// A server that cannot be started leaves Started() false and a reason in Problem;
// tests then skip with that reason.
//
// The Windows tests run under wine, which cannot start a process of this machine
// and wait for it: there the pyftpdlib servers (PyftpdlibServer, FaultyFtpServer)
// come from the broker that tools/with-test-broker.sh runs beside the test
// program, Root and the logs are reached through drive Z:, and the other servers
// are not run (OtherFtpServersRunHere).

#include <sys/types.h>

#include <atomic>
#include <cstdint>
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
    // The server runs as root: it stores over read-only files as over any other.
    bool OverwritesReadOnlyFiles = false;

protected:
    bool Spawn(const std::vector<std::string>& argv, int* stdoutPipe);
    // POSIX: runs a pyftpdlib script with python3 and takes the port it prints
    // once it listens; Problem (naming `what`) when it does not start.
    void StartPythonServer(const std::vector<std::string>& scriptAndArguments,
                           const std::string& what);
    // The server process; on Windows the connection to the broker that started
    // it (tools/with-test-broker.sh), whose end stops it.
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
    // Gives path (and everything below it) to the user anonymous sessions run as.
    void GiveToServer(const std::string& path) const;
    std::string Pub;  // Root + "/pub", writable by anonymous uploads
    std::string LogPath;
};

// A real FTP server started by tools/ftp-servers/start-<name>.sh on free ports of
// 127.0.0.1 (the control port and a passive range), with the user User/Password
// whose files live under Root. The scripts need root and what
// tools/ftp-servers/prepare.sh fetches (test.sh runs it); they are run with
// FTPM_NO_FETCH=1, so a test never installs or downloads anything: without them
// Started() is false and Problem says why.
//
// The server writes as Uid/Gid (2121), and the scripts hand Root to that owner
// when the server starts: files a test makes under Root later must be handed over
// with GiveToServer before the server can change or remove them.
//
// The server, with every session process, is stopped by tools/ftp-servers/stop.sh
// in a guard process when the object goes, or when the test program ends in any
// other way (crash, time-out), so no server outlives its test. The destructor does
// not wait for the stop; Root is removed at once.
// How a RealFtpServer speaks: plain FTP, or FTP over TLS (explicit: AUTH TLS
// after a plain greeting; implicit: TLS from the first byte) with a self-signed
// certificate for 127.0.0.1 and localhost that its start makes, required for
// the login and every data connection.
enum class FtpTls { None, Explicit, Implicit };

class RealFtpServer : public ExternalFtpServer {
public:
    ~RealFtpServer() override;
    // With TLS: the certificate (PEM) and its SHA-256 fingerprint ("AA:BB:...").
    std::string CertificateFile() const { return State + "/tls-cert.pem"; }
    std::string Fingerprint() const;
    std::string User = "user";
    std::string Password = "secret";
    std::string Home = "/";  // where the user logs in, as the server names it (PWD)
    std::string HomeFolder;  // the local folder behind Home
    std::string State;       // the script's state folder: configuration and logs
    uint32_t Uid = 2121;
    uint32_t Gid = 2121;

    // Gives path (and everything below it) to the server's owner.
    void GiveToServer(const std::string& path) const;
    // Whether Commands() can tell what the server received (Pure-FTPd logs no
    // commands).
    bool LogsCommands() const { return !CommandLog.empty(); }
    // Every command line the server has logged so far, in order; PASS lines carry
    // a placeholder instead of the password.
    std::vector<std::string> Commands() const;

protected:
    // Runs start-<script>.sh with the extra environment; sets Port, State,
    // HomeFolder, or Problem.
    void Start(const std::string& script, std::vector<std::string> environment,
               FtpTls tls = FtpTls::None);
    std::string CommandLog;  // relative to State; empty when the server keeps none

private:
    bool StartOnce(const std::string& script, const std::vector<std::string>& environment);
    void StartGuard();
    int GuardFd = -1;
};

// ProFTPD 1.3.8 from its unpacked package, chrooted into Root.
class ProftpdServer : public RealFtpServer {
public:
    explicit ProftpdServer(FtpTls tls = FtpTls::None);
};

// Pure-FTPd 1.0.50 from its unpacked package, chrooted into Root; logs no commands.
class PureFtpdServer : public RealFtpServer {
public:
    explicit PureFtpdServer(FtpTls tls = FtpTls::None);  // explicit TLS only
};

// vsftpd with a real (Unix) user, chrooted into Root but logged into the folder
// /home/user below it, so that the login folder is not "/".
class VsftpdUserServer : public RealFtpServer {
public:
    explicit VsftpdUserServer(FtpTls tls = FtpTls::None);
};

// pyftpdlib with FTP over TLS (tests/support/tls_ftpd.py, which needs
// python3-openssl), explicit or implicit, required for the login and for every
// data connection, with one user ("user"/"secret") over Root and a self-signed
// certificate for 127.0.0.1 and localhost that it makes when it starts. On
// Windows it comes from the test broker, as PyftpdlibServer does.
class TlsPyftpdlibServer : public ExternalFtpServer {
public:
    explicit TlsPyftpdlibServer(FtpTls mode);
    // Every command line received so far, in order, and for each data connection
    // "DATA-TLS resumed" or "DATA-TLS new" (whether its handshake resumed the
    // control connection's session).
    std::vector<std::string> Commands() const;
    std::string CertificateFile;  // the PEM file, as the program names it
    std::string Fingerprint;      // its SHA-256 fingerprint, "AA:BB:..."
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

    // Sends the first words of a connection; false closes it.
    using Greeter = std::function<bool(ScriptedSession& session)>;

    ScriptedFtpServer(std::string greeting, Script script);
    ScriptedFtpServer(Greeter greeter, Script script);
    ~ScriptedFtpServer();
    uint16_t Port() const { return ListenPort; }
    int Connections() const { return Accepted.load(); }

private:
    void Serve();
    void ServeOne(int fd);
    // Appends what was received and runs each complete line; false once the
    // script ends the session.
    bool RunCompleteLines(ScriptedSession& session, std::string& pending, const char* received,
                          size_t size);

    Greeter Greet;
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

// Whether the test kit of this system runs the servers other than pyftpdlib.
bool OtherFtpServersRunHere();

// Whether something accepts TCP connections on 127.0.0.1:port.
bool PortAccepts(uint16_t port);
// A listening socket on a free port of 127.0.0.1; the port is stored in `port`.
int ListenOnLoopback(int backlog, uint16_t& port);
// Closes a socket of ListenOnLoopback.
void CloseSocket(int socket);
