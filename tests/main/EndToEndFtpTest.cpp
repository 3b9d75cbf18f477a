// The program against FTP servers on loopback, end to end: mirrors up and down
// and their reruns (counted from the commands each server logged), FTP to FTP,
// and the switches and failures that concern an FTP side.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FaultyFtpServer.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;
using ::testing::Contains;
using ::testing::StartsWith;

// Commands of the log from position `from` whose line begins with a verb.
int CountSince(const std::vector<std::string>& commands, size_t from, const std::string& verb) {
    int count = 0;
    for (size_t i = from; i < commands.size(); ++i) count += commands[i].rfind(verb, 0) == 0;
    return count;
}

int TransfersSince(const std::vector<std::string>& commands, size_t from) {
    int count = 0;
    for (const char* verb : {"STOR", "RETR", "DELE", "MKD", "RMD", "RNFR", "SITE"})
        count += CountSince(commands, from, verb);
    return count;
}

// Every file below root with its size and a digest of its content, for comparing
// two trees. The names are a program's own (a local tree) or the server's (a
// tree an FTP server shows), which differ for names beyond ASCII on Windows.
enum class Side { Program, Server };
std::map<std::string, std::string> ContentOf(const std::string& root, Side side = Side::Program) {
    auto bytes = [side](const std::filesystem::path& path) {
        return side == Side::Program ? ProgramBytesOf(path) : MachineBytesOf(path);
    };
    const std::string rootBytes = bytes(root);
    std::map<std::string, std::string> content;
    for (auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string name = bytes(entry.path()).substr(rootBytes.size() + 1);
        std::replace(name.begin(), name.end(), '\\', '/');
        std::string& digest = content[name];
        if (!entry.is_regular_file()) {
            digest = "folder";
            continue;
        }
        const std::string data = ReadTextFile(entry.path().string());
        digest = std::to_string(data.size()) + ":" + std::to_string(std::hash<std::string>()(data));
    }
    return content;
}

enum class Kind { Pyftpdlib, VsftpdUser };

// A server, and whether its data connections are passive (both /Passive given)
// or active.
struct Mirror {
    Kind Server;
    bool Passive;
};

class EndToEndFtpMirror : public ::testing::TestWithParam<Mirror> {
protected:
    static void SetUpTestSuite() {
        Python = new PyftpdlibServer;
        Vsftpd = new VsftpdUserServer;
    }
    static void TearDownTestSuite() {
        delete Python;
        delete Vsftpd;
    }
    std::vector<std::string> Commands() const {
        return GetParam().Server == Kind::Pyftpdlib ? Python->Commands() : Vsftpd->Commands();
    }

    static PyftpdlibServer* Python;
    static VsftpdUserServer* Vsftpd;
    TempFolder Work;
    // The listing's times are the server's clock in UTC; the program reads them as
    // local time.
    ScopedTimeZone Utc{"UTC"};
};

PyftpdlibServer* EndToEndFtpMirror::Python = nullptr;
VsftpdUserServer* EndToEndFtpMirror::Vsftpd = nullptr;

TEST_P(EndToEndFtpMirror, UpAndBackIdenticalAndRerunsTransferNothing) {
    const bool python = GetParam().Server == Kind::Pyftpdlib;
    ExternalFtpServer& server = python ? static_cast<ExternalFtpServer&>(*Python) : *Vsftpd;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    const std::string home = python ? Python->Root : Vsftpd->HomeFolder;
    const std::string remote = home + "/www";
    const std::string site = Work / "site";
    MakeFile(site + "/index.html", "<html>home</html>\n");
    MakeFile(site + "/.htaccess", "Deny from all\n");
    MakeFile(site + "/empty", "");
    const bool blanks = !LeftOutUnderWine("wine's Internet library cuts a listed name at a blank");
    const std::string beyondAscii = FtpNamesGoAsUtf8 ? " ü" : "";
    MakeFile(site + (blanks ? "/name with space" : "/name-") + beyondAscii + ".txt", "spaced\n");
    MakeFile(site + "/sub/deeper/x.txt", "deep\n");
    MakeFile(site + "/sub/.hidden", "dot\n");
    std::filesystem::create_directories(site + "/emptyfolder");
    std::string big(50u << 20, '\0');
    for (size_t i = 0; i < big.size(); i += 4096) big[i] = char(i / 4096);
    MakeFile(site + "/big.bin", big);
    const time_t anHourAgo = time(nullptr) - 3600;
    for (auto& entry : std::filesystem::recursive_directory_iterator(site))
        if (entry.is_regular_file()) SetModified(entry.path().string(), anHourAgo);
    // What the server holds already and the source no longer has.
    MakeFile(remote + "/stale.txt", "old");
    MakeFile(remote + "/gone/y.txt", "old");
    if (!python) Vsftpd->GiveToServer(remote);

    const std::string at = Location(server.Port, "/www");
    std::vector<std::string> login = {"/S", "/delete", "/U:user", "/P:secret"};
    if (GetParam().Passive) login.insert(login.end(), {"/Passive", "/Passive"});
    auto run = [&](const std::string& from, const std::string& to) {
        std::vector<std::string> arguments = {from, to};
        arguments.insert(arguments.end(), login.begin(), login.end());
        RunResult result = RunVelCopy(arguments, Work / "run.log");
        EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0) << result.Console;
        return result;
    };
    run(site + "/", at);
    EXPECT_EQ(ContentOf(remote, Side::Server), ContentOf(site));

    // A rerun logs in once, enters and lists each of the four folders once and
    // sends nothing per file, the empty folder included. (pyftpdlib ignores "LIST
    // -a"; its empty answer is trusted once it has listed the root's entries.)
    size_t before = Commands().size();
    run(site + "/", at);
    std::vector<std::string> commands = Commands();
    std::string sent;
    for (size_t i = before; i < commands.size(); ++i) sent += commands[i] + "\n";
    const int lists = 4;
    EXPECT_EQ(TransfersSince(commands, before), 0) << sent;
    EXPECT_EQ(CountSince(commands, before, "USER"), 1) << sent;
    EXPECT_EQ(CountSince(commands, before, "CWD"), 4) << sent;
    EXPECT_EQ(CountSince(commands, before, "LIST") + CountSince(commands, before, "MLSD"), lists)
        << sent;
    EXPECT_EQ(CountSince(commands, before, "PASV") + CountSince(commands, before, "EPSV") +
                  CountSince(commands, before, "PORT") + CountSince(commands, before, "EPRT"),
              lists)
        << sent;
    EXPECT_EQ(CountSince(commands, before, GetParam().Passive ? "PORT" : "PASV"), 0) << sent;

    // The uploads carry their source's time. Down again into an empty folder:
    // the same tree, each file dated as its listing gives it (to the second by
    // facts, to the minute by LIST).
    const bool toTheSecond = python && FtpListsByFacts;
    const std::string back = Work / "back";
    std::filesystem::create_directories(back);
    run(at, back + "/");
    EXPECT_EQ(ContentOf(back), ContentOf(site));
    for (const char* file : {"index.html", "big.bin", "sub/deeper/x.txt", "empty"}) {
        const time_t server = ModifiedOf(remote + "/" + file).tv_sec;
        // (Two empty files are never copied: the one of an earlier test stays.)
        if (std::string(file) != "empty") {
            EXPECT_EQ(server, anHourAgo) << file;
        }
        EXPECT_EQ(ModifiedOf(back + "/" + file).tv_sec, toTheSecond ? server : server - server % 60)
            << file;
    }
    before = Commands().size();
    run(at, back + "/");
    EXPECT_EQ(TransfersSince(Commands(), before), 0);
}

std::vector<Mirror> MirrorServers() {
    std::vector<Mirror> mirrors = {{Kind::Pyftpdlib, false}, {Kind::Pyftpdlib, true}};
    if (OtherFtpServersRunHere()) mirrors.push_back({Kind::VsftpdUser, false});
    return mirrors;
}

INSTANTIATE_TEST_SUITE_P(Servers, EndToEndFtpMirror, ::testing::ValuesIn(MirrorServers()),
                         [](const ::testing::TestParamInfo<Mirror>& info) {
                             return std::string(info.param.Server == Kind::Pyftpdlib
                                                    ? "Pyftpdlib"
                                                    : "VsftpdUser") +
                                    (info.param.Passive ? "Passive" : "Active");
                         });

// The switches that concern an FTP side, against pyftpdlib.
class EndToEndFtp : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Server.Started()) GTEST_SKIP() << Server.Problem;
        Site = Work / "site";
        MakeFile(Site + "/a.txt", "one\ntwo\n");
        MakeFile(Site + "/b.bin", "bin\n");
        MakeFile(Site + "/sub/c.txt", "c");
        Remote = Server.Root + "/www";
        std::filesystem::create_directories(Remote);
        At = Location(Server.Port, "/www");
    }
    RunResult Run(std::vector<std::string> switches, bool upload = true) {
        std::vector<std::string> arguments = {upload ? Site + "/" : At, upload ? At : Site + "/",
                                              "/S", "/U:user", "/P:secret"};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        Before = Server.Commands().size();
        return RunVelCopy(arguments, Work / "run.log");
    }
    int Sent(const std::string& verb) const { return CountSince(Server.Commands(), Before, verb); }

    PyftpdlibServer Server;
    TempFolder Work;
    std::string Site, Remote, At;
    size_t Before = 0;
};

TEST_F(EndToEndFtp, SimulationChangesNothingOnTheServer) {
    RunResult result = Run({"/Sim", "/V1"});
    EXPECT_TRUE(HasLine(result, "Copying file a.txt")) << result.Console;
    EXPECT_TRUE(TreeOf(Remote).empty());
    EXPECT_EQ(TransfersSince(Server.Commands(), Before), 0);
}

TEST_F(EndToEndFtp, TemporaryNamesTextModeAndModes) {
    MakeFile(Remote + "/a.txt", "older");
    SetModified(Remote + "/a.txt", time(nullptr) - 86400);
    RunResult result = Run({"/T:tmp", "/A:*.txt", "/ChmodF:640", "/ChmodS:750"});
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0) << result.Console;
    // The existing file was replaced through the temporary name /T asked for
    // (itself stored through one of the device's own).
    EXPECT_EQ(Sent("RNTO tmp_a.txt"), 1);
    EXPECT_EQ(Sent("RNTO a.txt"), 1);
    EXPECT_EQ(Sent("STOR .velcopy-"), 3);
    // Text files went in text mode: pyftpdlib stores them with its own line ends.
    EXPECT_EQ(ReadTextFile(Remote + "/a.txt"), "one\ntwo\n");
    EXPECT_THAT(Server.Commands(), Contains("TYPE A"));
    EXPECT_EQ(ModeOf(Remote + "/b.bin"), 0640u);
    EXPECT_EQ(ModeOf(Remote + "/sub"), 0750u);
    EXPECT_EQ(ModeOf(Remote + "/sub/c.txt"), 0640u);
}

// The first /Active or /Passive belongs to the source, the second to the
// destination; with neither, or both, the device starts active.
TEST_F(EndToEndFtp, TransferModeSwitches) {
    struct {
        std::vector<std::string> switches;
        const char* dataCommand;
    } cases[] = {
        {{}, "PORT"},
        {{"/Passive"}, "PORT"},
        {{"/Passive", "/Passive"}, "PASV"},
        {{"/Active", "/Active"}, "PORT"},
        {{"/Active", "/Passive", "/Passive"}, "PASV"},
    };
    for (const auto& c : cases) {
        RunResult result = Run(c.switches);
        EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0) << result.Console;
        EXPECT_GT(Sent(c.dataCommand), 0) << ::testing::PrintToString(c.switches);
        EXPECT_EQ(Sent(std::string(c.dataCommand) == "PASV" ? "PORT" : "PASV"), 0);
    }
}

// The first run of a correct /M command makes the missing folder without
// calling it an error; a read-only file on the server that is kept without /R
// is named as such.
TEST_F(EndToEndFtp, MessagesSayWhatHappened) {
    const std::string fresh = Location(Server.Port, "/new");
    RunResult made =
        RunVelCopy({Site + "/", fresh, "/S", "/M", "/U:user", "/P:secret"}, Work / "run.log");
    EXPECT_EQ(CountLinesStartingWith(made, "!! "), 0) << made.Console;
    EXPECT_TRUE(HasLine(made, "Creating folder " + fresh)) << made.Console;
    EXPECT_EQ(ReadTextFile(Server.Root + "/new/b.bin"), "bin\n");

    if (!FtpListingShowsReadOnly) return;
    MakeFile(Remote + "/b.bin", "old");
    SetModified(Remote + "/b.bin", time(nullptr) - 86400);
    MakeReadOnly(Remote + "/b.bin");
    RunResult refused = Run({});
    EXPECT_TRUE(HasLine(refused, "!! Error: Failed to copy file " + NativePath(Site + "/b.bin") +
                                     ". The destination file " + At +
                                     "/b.bin is read-only; /R overwrites it. (19). Stopping"))
        << refused.Console;
}

// To vsftpd with a login folder below the root where it runs, else to another
// pyftpdlib.
TEST_F(EndToEndFtp, FtpToFtp) {
    std::unique_ptr<ExternalFtpServer> other;
    std::string copy;
    if (OtherFtpServersRunHere()) {
        auto vsftpd = std::make_unique<VsftpdUserServer>();
        copy = vsftpd->HomeFolder + "/copy";
        other = std::move(vsftpd);
    } else {
        other = std::make_unique<PyftpdlibServer>();
        copy = other->Root + "/copy";
    }
    if (!other->Started()) GTEST_SKIP() << other->Problem;
    Run({});
    std::filesystem::create_directories(copy);
    if (auto* real = dynamic_cast<RealFtpServer*>(other.get())) real->GiveToServer(copy);
    RunResult result = RunVelCopy(
        {At, Location(other->Port, "/copy"), "/S", "/U:user", "/P:secret"}, Work / "run.log");
    EXPECT_EQ(ContentOf(copy, Side::Server), ContentOf(Remote, Side::Server)) << result.Console;
    EXPECT_EQ(CountLinesStartingWith(result, "!! Error"), 0) << result.Console;
}

// A source folder that could not be listed deletes nothing at the destination.
TEST(EndToEndFtpFaults, SourceListingThatBreaksOffDeletesNothing) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    MakeFile(server.Root + "/site/keep.txt", "k");
    MakeFile(server.Root + "/site/sub/s.txt", "s");
    TempFolder work;
    MakeFile(work / "mirror/sub/s.txt", "s");
    MakeFile(work / "mirror/sub/extra.txt", "only here");
    MakeFile(work / "mirror/extra.txt", "only here");
    // Every listing but the first (the root) is refused.
    server.Arm(FtpFault(FtpFault::Kind::Refuse, "LIST", 2, 0).WithReply("450 No files found"));
    RunResult result = RunVelCopy({Location(server.Port, "/site"), work / "mirror/", "/S",
                                   "/delete", "/C", "/U:user", "/P:secret", "/ExitCode"},
                                  work / "run.log");
    EXPECT_THAT(result.LogLines, Contains(StartsWith("!! Warning: Failed to list folder ")));
    // keep.txt copied, a warning for a failed step, and deletions held back.
    EXPECT_EQ(result.ExitCode, 1 | 2 | 4 | 8);
    EXPECT_TRUE(std::filesystem::exists(work / "mirror/sub/extra.txt")) << result.Console;
    EXPECT_TRUE(std::filesystem::exists(work / "mirror/sub/s.txt"));
    EXPECT_EQ(ReadTextFile(work / "mirror/keep.txt"), "k");
}

// A run over a connection that drops now and then recovers where it can; the
// next run, over a sound connection, finds nothing left to do.
TEST(EndToEndFtpFaults, RunsOverADroppingConnectionConverge) {
    FaultyFtpServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    TempFolder work;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "sub/d.txt", "sub/e.txt", "new/f.txt"})
        MakeFile(work / "site/" + name, name);
    for (auto& entry : std::filesystem::recursive_directory_iterator(work / "site"))
        if (entry.is_regular_file()) SetModified(entry.path().string(), time(nullptr) - 3600);
    MakeFile(server.Root + "/www/sub/old.txt", "old");
    MakeFile(server.Root + "/www/gone/g.txt", "old");
    const std::vector<std::string> arguments = {
        work / "site/", Location(server.Port, "/www"), "/S", "/delete", "/U:user", "/P:secret"};
    server.Arm(FtpFault(FtpFault::Kind::DropAfter, "STOR", 2));
    server.Arm(FtpFault(FtpFault::Kind::DropBefore, "MKD"));
    server.Arm(FtpFault(FtpFault::Kind::DropAfter, "DELE"));
    server.Arm(FtpFault(FtpFault::Kind::DropBefore, "LIST", 3));
    RunResult first = RunVelCopy(arguments, work / "first.log");
    server.Disarm();
    EXPECT_EQ(server.Fired().size(), 4u) << first.Console;
    EXPECT_EQ(CountLinesStartingWith(first, "!! Error"), 0) << first.Console;

    const size_t before = server.Commands().size();
    RunResult second = RunVelCopy(arguments, work / "second.log");
    EXPECT_EQ(TransfersSince(server.Commands(), before), 0) << second.Console;
    EXPECT_EQ(ContentOf(server.Root + "/www", Side::Server), ContentOf(work / "site"));
}

// Slow (the full 30 seconds), so it runs in the plain build only.
TEST(EndToEndFtpFaults, LoginThatHangsEndsAfterThirtySecondsWithoutAProbe) {
#if VEL_SANITIZED
    GTEST_SKIP() << "runs in the plain build only";
#endif
    ScriptedFtpServer silent("220 hello\r\n",
                             [](ScriptedSession&, const std::string&) { return true; });
    TempFolder work;
    const auto start = std::chrono::steady_clock::now();
    RunResult result = RunVelCopy({work.Path + "/", Location(silent.Port(), "/x")}, work / "log");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::seconds(29));
    EXPECT_LT(took, std::chrono::seconds(40));
    const std::vector<std::string> expected = {
        "!! Error: Failed to connect to server 127.0.0.1. Connection timedout.",
        "!! Error: Failed to connect to destination " + Location(silent.Port(), "/x") + "."};
    EXPECT_EQ(result.LogLines, expected);
    EXPECT_EQ(silent.Connections(), 1);
}

}  // namespace
