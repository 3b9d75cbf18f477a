// The parts of the scripted FTP server that do not depend on the platform's
// sockets; the serving loops live in FtpServers.cpp and win32/FtpServers.cpp.

#include <string>
#include <utility>

#include "tests/support/FtpServers.h"

ScriptedFtpServer::ScriptedFtpServer(std::string greeting, Script script)
    : ScriptedFtpServer(
          [greeting](ScriptedSession& session) {
              return greeting.empty() || session.Send(greeting);
          },
          std::move(script)) {}

bool ScriptedFtpServer::RunCompleteLines(ScriptedSession& session, std::string& pending,
                                         const char* received, size_t size) {
    pending.append(received, size);
    for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        if (!Run(session, line)) return false;
    }
    return true;
}

ScriptedFtpServer::Script LoginThen(
    std::function<bool(ScriptedSession&, const std::string&)> next) {
    return [next](ScriptedSession& session, const std::string& line) {
        if (line.rfind("USER ", 0) == 0) return session.Send("331 Password please.\r\n");
        if (line.rfind("PASS ", 0) == 0) return session.Send("230 Logged in.\r\n");
        return next(session, line);
    };
}
