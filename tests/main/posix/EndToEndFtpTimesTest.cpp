// Change detection over FTP for users west and east of the servers, which run
// in UTC, as most do: after an upload a rerun sends nothing, also for a file
// changed seconds before it; a same-size edit is sent on the next run and
// nothing else is; a download gives the server's times (to the second where
// the server lists exact times, to the minute where it lists with LIST) and its
// rerun fetches nothing. Text sent with /A to a server that keeps the CR LF line
// ends is not sent again either.

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

// One of the four servers, as the tests reach it.
struct Server {
    const char* Name;
    std::unique_ptr<ExternalFtpServer> Process;
    std::string Home;  // the local folder behind the login folder
    bool ListsExactTimes = true;
    std::function<std::vector<std::string>()> Commands;  // empty: it logs none
};

Server Start(const char* name) {
    Server server{name, nullptr, "", true, {}};
    const std::string which = name;
    if (which == "pyftpdlib") {
        auto python = std::make_unique<PyftpdlibServer>();
        server.Home = python->Root;
        PyftpdlibServer* seen = python.get();
        server.Commands = [seen] { return seen->Commands(); };
        server.Process = std::move(python);
        return server;
    }
    std::unique_ptr<RealFtpServer> real;
    if (which == "vsftpd") real = std::make_unique<VsftpdUserServer>();
    if (which == "ProFTPD") real = std::make_unique<ProftpdServer>();
    if (which == "Pure-FTPd") real = std::make_unique<PureFtpdServer>();
    server.Home = real->HomeFolder;
    server.ListsExactTimes = which != "vsftpd";
    if (real->LogsCommands()) {
        RealFtpServer* seen = real.get();
        server.Commands = [seen] { return seen->Commands(); };
    }
    server.Process = std::move(real);
    return server;
}

void GiveToServer(const Server& server, const std::string& path) {
    if (auto* real = dynamic_cast<RealFtpServer*>(server.Process.get())) real->GiveToServer(path);
}

int Copies(const RunResult& result) {
    return CountLinesStartingWith(result, "Copying file");
}

// The commands of a run that concern single files.
int FileCommands(const std::vector<std::string>& commands, size_t from) {
    int count = 0;
    for (size_t i = from; i < commands.size(); ++i)
        for (const char* verb : {"STOR", "RETR", "SIZE", "MDTM", "MFMT", "SITE", "RNFR", "DELE"})
            count += commands[i].rfind(verb, 0) == 0;
    return count;
}

class EndToEndFtpTimes : public ::testing::TestWithParam<const char*> {
protected:
    RunResult Run(const std::string& from, const std::string& to,
                  std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = {from, to, "/S", "/U:user", "/P:secret"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        RunResult result = RunVelCopy(arguments, Work / "run.log");
        EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0) << result.Console;
        return result;
    }
    TempFolder Work;
};

TEST_P(EndToEndFtpTimes, EveryEditIsSeenAndNothingElseWestAndEastOfTheServer) {
    // The server starts before the zone changes: it keeps running in UTC.
    Server server = Start(GetParam());
    if (!server.Process->Started()) GTEST_SKIP() << server.Process->Problem;
    for (const char* zone : {"America/New_York", "Asia/Tokyo"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone here(zone);
        const std::string name =
            std::string("/") + (std::string(zone) == "Asia/Tokyo" ? "tk" : "ny");
        const std::string site = Work / ("site" + name), remote = server.Home + name;
        const time_t now = time(nullptr);
        MakeFile(site + "/old.txt", "old");
        MakeFile(site + "/sub/deep.txt", "deep");
        MakeFile(site + "/fresh.txt", "fresh");
        SetModified(site + "/old.txt", now - 3600);
        SetModified(site + "/sub/deep.txt", now - 86400 * 3);
        SetModified(site + "/fresh.txt", now - 5);
        std::filesystem::create_directories(remote);
        GiveToServer(server, remote);
        const std::string at = Location(server.Process->Port, name);

        EXPECT_EQ(Copies(Run(site + "/", at)), 3);
        // The server holds the source's times.
        EXPECT_EQ(ModifiedOf(remote + "/fresh.txt").tv_sec, now - 5);
        const size_t before = server.Commands ? server.Commands().size() : 0;
        RunResult rerun = Run(site + "/", at);
        EXPECT_EQ(Copies(rerun), 0) << rerun.Console;
        if (server.Commands) {
            // Nothing per file; a LIST server is asked one file's time for its zone.
            EXPECT_LE(FileCommands(server.Commands(), before), server.ListsExactTimes ? 0 : 1);
        }

        // A same-size edit made an hour after the version sent is sent, and
        // nothing else.
        MakeFile(site + "/old.txt", "new");
        SetModified(site + "/old.txt", now - 60);
        RunResult edited = Run(site + "/", at, {"/N"});
        EXPECT_EQ(Copies(edited), 1) << edited.Console;
        EXPECT_EQ(ReadTextFile(remote + "/old.txt"), "new");

        // Down into an empty folder, and again.
        const std::string back = Work / ("back" + name);
        std::filesystem::create_directories(back);
        EXPECT_EQ(Copies(Run(at, back + "/")), 3);
        for (const char* file : {"old.txt", "sub/deep.txt", "fresh.txt"}) {
            const time_t held = ModifiedOf(remote + "/" + file).tv_sec;
            EXPECT_EQ(ModifiedOf(back + "/" + file).tv_sec,
                      server.ListsExactTimes ? held : held - held % 60)
                << file;
        }
        RunResult again = Run(at, back + "/");
        EXPECT_EQ(Copies(again), 0) << again.Console;
    }
}

// vsftpd keeps the CR LF of a text upload (ascii_upload_enable=NO), the others
// turn it back into LF; either way a rerun in text mode has nothing to send.
TEST_P(EndToEndFtpTimes, TextSentInTextModeIsNotSentAgain) {
    Server server = Start(GetParam());
    if (!server.Process->Started()) GTEST_SKIP() << server.Process->Problem;
    const std::string site = Work / "site", remote = server.Home + "/text";
    MakeFile(site + "/notes.txt", "one\ntwo\nthree\n");
    SetModified(site + "/notes.txt", time(nullptr) - 3600);
    std::filesystem::create_directories(remote);
    GiveToServer(server, remote);
    const std::string at = Location(server.Process->Port, "/text");
    EXPECT_EQ(Copies(Run(site + "/", at, {"/A:*.txt"})), 1);
    RunResult rerun = Run(site + "/", at, {"/A:*.txt"});
    EXPECT_EQ(Copies(rerun), 0) << rerun.Console;
}

INSTANTIATE_TEST_SUITE_P(Servers, EndToEndFtpTimes,
                         ::testing::Values("pyftpdlib", "vsftpd", "ProFTPD", "Pure-FTPd"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

}  // namespace
