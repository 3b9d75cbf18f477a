// Copies made at once (/MT): the same resulting trees and the same reported
// actions as one copy after the other, locally, up and down an FTP server, with
// deletions, moves and failures; a server that takes one connection only; a
// stall on one connection that holds none of the others.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <filesystem>
#include <memory>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FaultyFtpServer.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

// The lines of a run that say what it did, with its folders written as ROOT,
// sorted: lines of copies finished at once come in the order they finished.
std::vector<std::string> Actions(const RunResult& result, const std::string& root) {
    std::vector<std::string> actions;
    for (std::string line : result.LogLines) {
        const bool lanes = line.rfind("Copying ", 0) == 0 && line.find(" at once") != std::string::npos;
        if (line.empty() || line.rfind("Totals: ", 0) == 0 || lanes) continue;
        for (size_t at; (at = line.find(root)) != std::string::npos;)
            line.replace(at, root.size(), "ROOT");
        actions.push_back(line);
    }
    std::sort(actions.begin(), actions.end());
    return actions;
}

// A source tree with new, changed, unchanged and moved files, and a destination
// with what the source no longer has and a read-only file the copy must fail on.
void MakeTrees(const std::string& source, const std::string& destination) {
    for (int folder = 0; folder < 4; ++folder) {
        const std::string in = source + "/f" + std::to_string(folder);
        for (int file = 0; file < 6; ++file)
            MakeFile(in + "/n" + std::to_string(file) + ".txt", std::string(1000 * file, 'x'));
        MakeFile(in + "/move.mv", "moved");
        MakeFile(destination + "/f" + std::to_string(folder) + "/gone.txt", "obsolete");
    }
    MakeFile(source + "/f0/locked.txt", "new content");
    MakeFile(destination + "/f0/locked.txt", "old");
    chmod((destination + "/f0/locked.txt").c_str(), 0444);
    MakeFile(destination + "/old/deep/gone.txt", "obsolete");
}

class EndToEndParallel : public ::testing::Test {
protected:
    RunResult Run(std::vector<std::string> arguments) {
        return RunVelCopy(std::move(arguments), Work / "run.log");
    }
    TempFolder Work;
};

TEST_F(EndToEndParallel, LocalRunsDoWhatOneCopyAtATimeDoes) {
    const struct {
        const char* What;
        std::vector<std::string> Switches;
    } cases[] = {
        {"with /C: the failed copy is reported, everything else done",
         {"/S", "/C", "/delete", "/I", "^*.mv"}},
        {"without /C: the run stops and deletes nothing", {"/S", "/delete", "^*.mv"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::vector<std::string>> trees, actions;
        for (const char* copies : {"/MT:1", "/MT:4"}) {
            const std::string root = Work / (std::string("run") + (copies + 4) +
                                             std::to_string(&c - cases));
            MakeTrees(root + "/src", root + "/dst");
            std::vector<std::string> arguments = {root + "/src/", root + "/dst/", copies};
            arguments.insert(arguments.end(), c.Switches.begin(), c.Switches.end());
            RunResult result = Run(arguments);
            actions.push_back(Actions(result, root));
            trees.push_back(TreeOf(root));
        }
        const bool continues = c.Switches[1] == "/C";
        // Without /C the copies in flight when the failure was seen still end, so
        // a few more files may have been copied; nothing is deleted either way.
        if (continues) {
            EXPECT_EQ(trees[1], trees[0]);
            EXPECT_EQ(actions[1], actions[0]);
        }
        for (const auto& tree : trees) {
            EXPECT_EQ(std::count(tree.begin(), tree.end(), "dst/f1/gone.txt"), continues ? 0 : 1);
            if (continues) {
                EXPECT_EQ(std::count(tree.begin(), tree.end(), "src/f3/move.mv"), 0);
            }
        }
    }
}

// Up and down a real server: the result of /MT:4 is that of /MT:1, and each file
// arrives whole.
TEST_F(EndToEndParallel, FtpRunsDoWhatOneCopyAtATimeDoes) {
    VsftpdUserServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    std::vector<std::vector<std::string>> remote, local, actions;
    for (const char* copies : {"/MT:1", "/MT:4"}) {
        SCOPED_TRACE(copies);
        const std::string name = std::string("t") + (copies + 4);
        const std::string site = Work / name, home = server.HomeFolder + "/" + name;
        MakeTrees(site, home);
        chmod((home + "/f0/locked.txt").c_str(), 0644);  // the server's files are its own
        server.GiveToServer(home);
        const std::string at = Location(server.Port, "/" + name);
        RunResult up = Run({site + "/", at, "/S", "/C", "/delete", "^*.mv", "/U:user",
                            "/P:secret", copies});
        EXPECT_EQ(CountLinesStartingWith(up, "!! "), 0) << up.Console;
        const std::string back = Work / (name + "-back");
        RunResult down = Run({at, back + "/", "/S", "/M", "/U:user", "/P:secret", copies});
        EXPECT_EQ(CountLinesStartingWith(down, "!! "), 0) << down.Console;
        EXPECT_EQ(ReadTextFile(back + "/f3/n5.txt"), std::string(5000, 'x'));
        remote.push_back(TreeOf(home));
        local.push_back(TreeOf(back));
        std::vector<std::string> both = Actions(up, at);
        for (const std::string& line : Actions(down, at)) both.push_back(line);
        for (std::string& line : both)
            for (size_t at; (at = line.find(Work.Path)) != std::string::npos;)
                line.replace(at, Work.Path.size(), "WORK");
        for (std::string& line : both)
            for (size_t at; (at = line.find(name)) != std::string::npos;) line.replace(at, name.size(), "T");
        std::sort(both.begin(), both.end());
        actions.push_back(both);
    }
    EXPECT_EQ(remote[1], remote[0]);
    EXPECT_EQ(local[1], local[0]);
    EXPECT_EQ(actions[1], actions[0]);
}

// vsftpd that lets each address hold one session only.
class VsftpdOneSession : public RealFtpServer {
public:
    VsftpdOneSession() {
        CommandLog = "vsftpd.log";
        Home = "/home/" + User;
        Start("vsftpd", {"FTPM_HOME=home/" + User, "FTPM_EXTRA=max_per_ip=1"});
        HomeFolder = Root + Home;
    }
};

TEST_F(EndToEndParallel, AServerThatTakesOneConnectionGetsOneCopyAtATime) {
    VsftpdOneSession server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    // The kit's check that the server listens was a session too: its process must
    // have ended before the run's own session is the one allowed.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::string site = Work / "site";
    for (int i = 0; i < 8; ++i) MakeFile(site + "/f" + std::to_string(i) + ".txt", "one");
    RunResult up =
        Run({site + "/", Location(server.Port, "/"), "/S", "/U:user", "/P:secret", "/MT:4"});
    EXPECT_EQ(CountLinesStartingWith(up, "!! "), 0) << up.Console;
    EXPECT_EQ(CountLinesStartingWith(up, "Copying one file at a time"), 1) << up.Console;
    EXPECT_EQ(TreeOf(server.HomeFolder), TreeOf(site));
}

// One upload stalls for good: the watchdog cuts its connection after 30 seconds
// and it is made again; meanwhile every other file has been stored.
TEST_F(EndToEndParallel, AStallOnOneConnectionHoldsNoneOfTheOthers) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site";
    for (int i = 0; i < 12; ++i) MakeFile(site + "/f" + std::to_string(i) + ".bin", std::string(200000, 'b'));
    server.Arm(FtpFault(FtpFault::Kind::StallData, "STOR", 2).WithBytes(1000).WithSeconds(0));
    const std::string at = "ftp://127.0.0.1:" + std::to_string(server.Port) + "/";
    RunResult up = Run({site + "/", at, "/S", "/U:user", "/P:secret", "/MT:4"});
    EXPECT_EQ(CountLinesStartingWith(up, "!! Error"), 0) << up.Console;
    EXPECT_EQ(TreeOf(server.Root), TreeOf(site));
    const std::vector<std::string> commands = server.Commands();
    // The stalled file is the last one stored: all eleven others were renamed to
    // their names before it.
    size_t lastStore = 0;
    for (size_t i = 0; i < commands.size(); ++i)
        if (commands[i].rfind("STOR", 0) == 0) lastStore = i;
    int renamedBefore = 0;
    for (size_t i = 0; i < lastStore; ++i) renamedBefore += commands[i].rfind("RNTO", 0) == 0;
    EXPECT_EQ(renamedBefore, 11);
}

// The folders of a rerun are listed ahead on the lanes' connections, each once;
// a cut listing, whoever made it, is made again, so that the deletions it
// allows still happen, up and down.
TEST_F(EndToEndParallel, FoldersListedAheadAreListedOnceAndACutOneAgainByTheWalk) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string site = Work / "site", back = Work / "back";
    for (int i = 0; i < 6; ++i) MakeFile(site + "/d" + std::to_string(i) + "/f.txt", "file");
    const std::string at = "ftp://127.0.0.1:" + std::to_string(server.Port) + "/";
    const std::vector<std::string> login = {"/S", "/M", "/delete", "/U:user", "/P:secret", "/MT:4"};
    auto run = [&](const std::string& from, const std::string& to) {
        std::vector<std::string> arguments = {from, to};
        arguments.insert(arguments.end(), login.begin(), login.end());
        return Run(arguments);
    };
    RunResult first = run(site + "/", at);
    ASSERT_EQ(TreeOf(server.Root), TreeOf(site)) << first.Console;
    RunResult down = run(at, back + "/");
    ASSERT_EQ(TreeOf(back), TreeOf(site)) << down.Console;

    const size_t before = server.Commands().size();
    RunResult rerun = run(site + "/", at);
    std::vector<std::string> commands = server.Commands();
    int lists = 0, logins = 0;
    for (size_t i = before; i < commands.size(); ++i) {
        lists += commands[i].rfind("LIST", 0) == 0;
        logins += commands[i].rfind("USER", 0) == 0;
    }
    EXPECT_EQ(lists, 7) << rerun.Console;  // the root and its six folders
    EXPECT_GT(logins, 1) << rerun.Console;

    for (int i = 0; i < 6; ++i) {
        MakeFile(server.Root + "/d" + std::to_string(i) + "/gone.txt", "obsolete");
        MakeFile(back + "/d" + std::to_string(i) + "/gone.txt", "obsolete");
    }
    const struct {
        const char* What;
        std::string From, To, Checked;
    } directions[] = {{"up", site + "/", at, server.Root}, {"down", at, back + "/", back}};
    for (const auto& d : directions) {
        SCOPED_TRACE(d.What);
        // The second listing of the run is one made ahead (the first is the root's).
        const size_t fired = server.Fired().size();
        server.Arm(FtpFault(FtpFault::Kind::CutData, "LIST", 2));
        RunResult cut = run(d.From, d.To);
        server.Disarm();
        EXPECT_EQ(server.Fired().size(), fired + 1);
        // Whichever connection met the cut, the walk's recovery is all a report
        // may show of it: a listing ahead that failed is made again, unreported.
        EXPECT_EQ(CountLinesStartingWith(cut, "!! "),
                  CountLinesStartingWith(cut, "!! Warning: Renegotiating connection"))
            << cut.Console;
        EXPECT_LE(CountLinesStartingWith(cut, "!! "), 1) << cut.Console;
        EXPECT_EQ(TreeOf(d.Checked), TreeOf(site)) << cut.Console;
    }
}

}  // namespace
