// The README's commands run as written, with their folders moved below a
// temporary folder: each ends with exit code 0 (under /ExitCode at most 1) and
// reports no error.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

// The words of a shell command line: blanks separate, single quotes group.
std::vector<std::string> ShellWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : line) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::vector<std::vector<std::string>> ReadmeCommands() {
    std::ifstream readme(std::string(VELCOPY_SOURCE_DIR) + "/README.md");
    std::vector<std::vector<std::string>> commands;
    std::string line;
    while (std::getline(readme, line)) {
        const std::string prefix = "    ./velcopy ";
        if (line.rfind(prefix, 0) == 0) commands.push_back(ShellWords(line.substr(prefix.size())));
    }
    return commands;
}

bool IsAbsolutePath(const std::string& word) {
    return word.size() > 1 && word[0] == '/' && word.find('/', 1) != std::string::npos;
}

// The README's FTP server and login, plainly and over TLS.
const std::string ExampleServer = "ftp://ftp.example.com";
const std::string ExampleTlsServer = "ftpes://ftp.example.com";
const std::string ExampleUser = "/U:me";

class ReadmeExamples : public ::testing::Test {
protected:
    TempFolder Root;
    std::unique_ptr<PyftpdlibServer> Ftp;
    std::unique_ptr<VsftpdUserServer> Tls;

    // The README's FTP server is a pyftpdlib server on loopback here, with its
    // user, and over TLS vsftpd, whose certificate a /Cert after the location
    // pins; their folders are made on first use.
    std::string OnLoopback(const std::string& word) {
        if (word == ExampleUser) return "/U:user";
        if (word.rfind("/Cert:", 0) == 0) return Tls ? "/Cert:" + Tls->Fingerprint() : word;
        if (word.rfind(ExampleTlsServer, 0) == 0) {
            if (!Tls) Tls = std::make_unique<VsftpdUserServer>(FtpTls::Explicit);
            const std::string folder = word.substr(ExampleTlsServer.size());
            if (!Tls->Started()) return word;
            std::filesystem::create_directories(Tls->HomeFolder + folder);
            Tls->GiveToServer(Tls->HomeFolder + folder);
            return "ftpes://127.0.0.1:" + std::to_string(Tls->Port) + folder;
        }
        if (word.rfind(ExampleServer, 0) != 0) return word;
        if (!Ftp) Ftp = std::make_unique<PyftpdlibServer>();
        std::filesystem::create_directories(Ftp->Root + word.substr(ExampleServer.size()));
        return "ftp://127.0.0.1:" + std::to_string(Ftp->Port) + word.substr(ExampleServer.size());
    }
    // Where the files of a location lie on this machine.
    std::string LocalFolder(const std::string& location) {
        if (location.rfind("ftpes://", 0) == 0)
            return Tls->HomeFolder + location.substr(location.find('/', 8)) + "/";
        if (location.rfind("ftp://", 0) != 0) return location;
        return Ftp->Root + location.substr(location.find('/', 6)) + "/";
    }

    // Every absolute path, also after a switch's colon, is moved below Root.
    std::string Moved(const std::string& word) {
        size_t colon = word.find(':');
        if (word.rfind("/", 0) == 0 && colon != std::string::npos &&
            !IsAbsolutePath(word.substr(0, colon)))
            return word.substr(0, colon + 1) + Moved(word.substr(colon + 1));
        return IsAbsolutePath(word) ? Root.Path + word : word;
    }
};

TEST_F(ReadmeExamples, EveryCommandRunsAsWritten) {
    const auto commands = ReadmeCommands();
    ASSERT_GE(commands.size(), 5u) << "the README's commands were not found";
    int index = 0;
    for (const auto& command : commands) {
        const std::string log = Root / ("run" + std::to_string(++index) + ".log");
        std::vector<std::string> arguments;
        for (const std::string& word : command) {
            // The run's own /L log stands in for the one the example names.
            if (word.rfind("/L:", 0) != 0) arguments.push_back(OnLoopback(Moved(word)));
        }
        if (arguments.size() == 1) continue;  // ./velcopy /? shows the usage text
        ASSERT_GE(arguments.size(), 2u);
        // A source tree with something for every pattern the examples use.
        if (Ftp && !Ftp->Started()) GTEST_SKIP() << Ftp->Problem;
        if (Tls && !Tls->Started()) {
            // Only root runs vsftpd with a login user: this example alone is left out.
            Tls.reset();
            continue;
        }
        for (const char* name : {"a.doc", "b.pdf", "c.tmp", "app.log", "keep/k.txt", "sub/d.txt"})
            MakeFile(LocalFolder(arguments[0]) + name, name);
        std::filesystem::create_directories(LocalFolder(arguments[1]));
        std::filesystem::create_directories(Root / "tmp");
        RunResult result = RunVelCopy(arguments, log);
        const bool says = std::find(command.begin(), command.end(), "/ExitCode") != command.end();
        // Under /ExitCode nothing but the bit of changes made.
        EXPECT_EQ(says ? result.ExitCode & ~1 : result.ExitCode, 0) << command[0];
        if (std::find(command.begin(), command.end(), "/Stats") != command.end()) {
            EXPECT_EQ(CountLinesStartingWith(result, "Totals: "), 1) << command[0];
        }
        EXPECT_EQ(result.Console.find("Unrecognised"), std::string::npos) << result.Console;
        EXPECT_EQ(CountLinesStartingWith(result, "!! Error"), 0) << command[0] << " " << command[1];
        EXPECT_GT(CountLinesStartingWith(result, "Scanning source folder: "), 0) << command[0];
    }
}

}  // namespace
