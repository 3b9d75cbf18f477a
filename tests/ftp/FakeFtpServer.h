#pragma once
// A small FTP server in the test process (passive mode only) for the FTP device's failure paths: it
// logs in anyone, keeps a working directory, answers PWD, CWD, TYPE, PASV, LIST,
// STOR, RETR and the simple commands from tables the test fills, and hands every
// command first to a hook that can answer it otherwise (refuse it, stall, drop
// the connection). One connection is served at a time; a reconnect is served
// once the old connection has closed. Hooks run on the server's thread.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/FtpServers.h"

class FakeFtpServer {
public:
    // Returns true when it answered the command (or chose to stall: send nothing);
    // set Drop to close the connection.
    using Hook = std::function<bool(FakeFtpServer& server, ScriptedSession& session,
                                    const std::string& verb, const std::string& argument)>;

    explicit FakeFtpServer(Hook hook = nullptr)
        : Custom(std::move(hook)),
          Server("220 fake ready\r\n", [this](ScriptedSession& session, const std::string& line) {
              return Serve(session, line);
          }) {}

    uint16_t Port() const { return Server.Port(); }
    int Connections() const { return Server.Connections(); }
    std::string Location(const std::string& folder = "") const {
        return "ftp://127.0.0.1:" + std::to_string(Port()) + folder;
    }

    std::vector<std::string> Commands() {
        std::lock_guard<std::mutex> guard(Lock);
        return Received;
    }
    int Count(const std::string& verb) {
        int count = 0;
        for (const std::string& line : Commands()) count += line.rfind(verb, 0) == 0;
        return count;
    }

    // Sends a listing over the data connection of the last PASV: 150, the lines
    // (each after lineDelayMs), 226.
    bool SendListing(ScriptedSession& session, const std::string& text, int lineDelayMs = 0) {
        if (!session.Send("150 Here comes the listing.\r\n")) return false;
        int data = AcceptData();
        if (data < 0) return session.Send("425 No data connection.\r\n");
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            if (lineDelayMs > 0) usleep(useconds_t(lineDelayMs) * 1000);
            if (send(data, text.data() + start, end - start, MSG_NOSIGNAL) < 0) break;
            start = end;
        }
        close(data);
        return session.Send("226 Done.\r\n");
    }

    // 150, the data connection closed without data, then reply (a failed
    // transfer or listing, as ProFTPD ends a listing it cannot make).
    bool FailTransfer(ScriptedSession& session, const std::string& reply) {
        if (!session.Send("150 Opening data connection.\r\n")) return false;
        int data = AcceptData();
        if (data >= 0) close(data);
        return session.Send(reply + "\r\n");
    }

    // State the default answers use; set before the device connects.
    std::string LoginFolder = "/";
    std::set<std::string> Folders = {"/"};
    std::map<std::string, std::string> Listings;  // folder -> LIST text
    std::map<std::string, std::string> Files;     // full path -> content
    std::string Cwd = "/";
    int RefuseLogins = 0;  // so many logins are refused first
    bool Drop = false;

private:
    bool Serve(ScriptedSession& session, const std::string& line) {
        {
            std::lock_guard<std::mutex> guard(Lock);
            Received.push_back(line);
        }
        const size_t blank = line.find(' ');
        std::string verb = line.substr(0, blank);
        for (char& c : verb) c = char(toupper(static_cast<unsigned char>(c)));
        const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
        Drop = false;
        if (verb == "USER" && RefuseLogins > 0) {
            --RefuseLogins;
            return session.Send("530 Not now.\r\n");
        }
        if (verb == "USER") return session.Send("331 Password please.\r\n");
        if (verb == "PASS") {
            Cwd = LoginFolder;
            return session.Send("230 Logged in.\r\n");
        }
        if (Custom && Custom(*this, session, verb, argument)) return !Drop;
        return Default(session, verb, argument);
    }

    std::string Full(const std::string& name) const {
        if (!name.empty() && name[0] == '/') return name;
        return Cwd == "/" ? "/" + name : Cwd + "/" + name;
    }

    bool Default(ScriptedSession& session, const std::string& verb, const std::string& argument) {
        if (verb == "PWD") return session.Send("257 \"" + Cwd + "\" is the current directory.\r\n");
        if (verb == "CWD") {
            if (!Folders.count(Full(argument))) return session.Send("550 No such directory.\r\n");
            Cwd = Full(argument);
            return session.Send("250 Okay.\r\n");
        }
        if (verb == "TYPE" || verb == "SITE") return session.Send("200 Okay.\r\n");
        if (verb == "PASV") return OpenPassive(session);
        if (verb == "PORT" || verb == "EPRT") return session.Send("500 Passive mode only.\r\n");
        if (verb == "LIST") return SendListing(session, Listings[Cwd]);
        if (verb == "STOR") return Receive(session, Full(argument));
        if (verb == "RETR") {
            if (!Files.count(Full(argument))) return session.Send("550 No such file.\r\n");
            return SendListing(session, Files[Full(argument)]);
        }
        if (verb == "RNFR") return session.Send("350 Ready.\r\n");
        if (verb == "QUIT") {
            session.Send("221 Bye.\r\n");
            return false;
        }
        return session.Send("250 Okay.\r\n");  // DELE, RNTO, MKD, RMD
    }

    bool OpenPassive(ScriptedSession& session) {
        if (DataListener >= 0) close(DataListener);
        uint16_t port = 0;
        DataListener = ListenOnLoopback(1, port);
        return session.Send("227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) +
                            "," + std::to_string(port & 0xFF) + ").\r\n");
    }

    int AcceptData() {
        if (DataListener < 0) return -1;
        pollfd wait{DataListener, POLLIN, 0};
        int data = poll(&wait, 1, 5000) == 1 ? accept(DataListener, nullptr, nullptr) : -1;
        close(DataListener);
        DataListener = -1;
        return data;
    }

    bool Receive(ScriptedSession& session, const std::string& path) {
        if (!session.Send("150 Send it.\r\n")) return false;
        int data = AcceptData();
        if (data < 0) return session.Send("425 No data connection.\r\n");
        std::string content;
        char buffer[4096];
        for (ssize_t got; (got = recv(data, buffer, sizeof buffer, 0)) > 0;)
            content.append(buffer, size_t(got));
        close(data);
        Files[path] = content;
        return session.Send("226 Stored.\r\n");
    }

    Hook Custom;
    std::mutex Lock;
    std::vector<std::string> Received;
    int DataListener = -1;
    ScriptedFtpServer Server;
};

// A UNIX listing line for a file or folder dated 2026-01-02 03:04.
inline std::string ListingLine(const std::string& name, bool folder = false, int size = 1) {
    return std::string(folder ? "drwxr-xr-x" : "-rw-r--r--") + " 1 u g " + std::to_string(size) +
           " Jan 02  2026 " + name + "\r\n";
}
