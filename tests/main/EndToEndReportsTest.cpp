// What the person reading a scheduled job's mail, and the job itself, get from
// the built program: failures of several lines as lines on the console and in
// both logs, the exit code of /ExitCode bit by bit, and the totals of /Stats.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "ftp/FtpErrors.h"
#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;
using Lines = std::vector<std::string>;

// The block stands in the lines one line after the other. An error log's time
// stands before a message's first line only, unless each line is a message of
// its own (separate).
bool HoldsBlock(const Lines& lines, const Lines& block, bool separate) {
    for (size_t at = 0; at + block.size() <= lines.size(); ++at) {
        size_t i = 0;
        while (i < block.size() &&
               (i == 0 || separate ? lines[at + i].ends_with(block[i]) : lines[at + i] == block[i]))
            ++i;
        if (i == block.size()) return true;
    }
    return false;
}

// What follows the prefix on the first line that begins with it.
std::string After(const Lines& lines, const std::string& prefix) {
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return "";
}

// A refused connection, a name that does not resolve, an unreachable share, and
// a wrong password on each server (vsftpd, pyftpdlib and Pure-FTPd send their
// 530 only after a pause).
TEST(EndToEndReports, FailuresOfSeveralLinesAreLinesOnTheConsoleAndInBothLogs) {
    std::vector<std::unique_ptr<ExternalFtpServer>> servers;
    servers.push_back(std::make_unique<PyftpdlibServer>());
    if (OtherFtpServersRunHere()) {
        servers.push_back(std::make_unique<VsftpdUserServer>());
        servers.push_back(std::make_unique<ProftpdServer>());
        servers.push_back(std::make_unique<PureFtpdServer>());
    }
    uint16_t closed = 0;
    CloseSocket(ListenOnLoopback(1, closed));
    auto at = [](uint16_t port) { return "ftp://127.0.0.1:" + std::to_string(port) + "/"; };
    const std::string server = "Failed to connect to server 127.0.0.1.";
    struct Case {
        std::string location, password, first;
        std::vector<uint32_t> codes;  // the Windows library gives 12015 for a refused password
        std::string reply;            // how the server's last reply begins
    };
    std::vector<Case> cases = {{at(closed), "secret", server, {12029}, ""},
                               {"ftp://no-such-host.invalid/www",
                                "",
                                "Could not resolve server name no-such-host.invalid.",
                                {12007},
                                ""}};
    if (!LeftOutUnderWine("UNC shares"))
        cases.push_back({NativePath("//nosuchserver/share/x"), "", "", {}, ""});
    for (const auto& ftp : servers)
        if (ftp->Started())
            cases.push_back({at(ftp->Port), "wrong", server, {12014, 12015}, "530 "});
    TempFolder work;
    for (const Case& c : cases) {
        const std::string errorLog = work / (std::to_string(&c - &cases[0]) + ".log");
        RunResult result = RunVelCopy(
            {work.Path + "/", c.location, "/U:user", "/P:" + c.password, "/E:" + errorLog},
            work / "run.log");
        const uint32_t code = uint32_t(std::stoul("0" + After(result.LogLines, "Error code: ")));
        const std::string reply = After(result.LogLines, "Last response: ");
        const bool share = c.codes.empty();
        const Lines expected =
            share
                ? Lines{"!! Error: Failed to connect to " + NativePath("//nosuchserver/share"),
                        "!! Error: Error code: 53",
                        "!! Error: Description: The network path was not found."}
                : Lines{"!! Error: " + c.first, "Error code: " + std::to_string(code),
                        "Description: " + DescribeFtpError(code, reply), "Last response: " + reply};
        if (!share) {
            EXPECT_THAT(c.codes, ::testing::Contains(code)) << c.location;
        }
        EXPECT_THAT(reply, ::testing::StartsWith(c.reply)) << c.location;
        EXPECT_TRUE(HoldsBlock(result.LogLines, expected, share)) << result.Console;
        EXPECT_TRUE(HoldsBlock(SplitLines(result.Console), expected, share)) << result.Console;
        EXPECT_TRUE(HoldsBlock(SplitLines(ReadTextFile(errorLog)), expected, share))
            << ReadTextFile(errorLog);
    }
}

// Each bit from a real run between two folders, and the code as designed without
// the switch.
TEST(EndToEndReports, ExitCodeBitByBit) {
    using Setup = std::function<void(const std::string& src, const std::string& dst)>;
    const Setup copy = [](const std::string& src, const std::string&) {
        MakeFile(src + "/a.txt", "alpha");
    };
    const Setup readOnly = [](const std::string& src, const std::string& dst) {
        MakeFile(src + "/a.txt", "new");
        MakeFile(dst + "/a.txt", "old");
        SetModified(dst + "/a.txt", 1600000000);
        MakeReadOnly(dst + "/a.txt");
        MakeFile(dst + "/gone.txt", "obsolete");
    };
    const Setup link = [](const std::string& src, const std::string&) {
        std::filesystem::create_symlink(src + "/nowhere", src + "/link");
    };
    struct {
        Setup setup;
        std::vector<std::string> switches;
        int code;
        bool unwritableLog = false;
    } cases[] = {
        {[](const std::string&, const std::string&) {}, {"/ExitCode"}, 0},
        {copy, {"/ExitCode"}, 1},
        {copy, {"/ExitCode", "/Sim"}, 1},
        {link, {"/ExitCode"}, 2},
        {readOnly, {"/ExitCode"}, 4},
        {readOnly, {}, 0},
        {readOnly, {"/ExitCode", "/delete", "/C"}, 2 | 4 | 8},
        {[](const std::string& src, const std::string&) { std::filesystem::remove(src); },
         {"/ExitCode"},
         4 | 16},
        {copy, {"/ExitCode"}, 1 | 2 | 16, true},
    };
    for (const auto& c : cases) {
        if (c.code == 2 && LeftOutUnderWine("links")) continue;  // the link case
        TempFolder root;
        const std::string src = root / "src", dst = root / "dst";
        std::filesystem::create_directories(src);
        std::filesystem::create_directories(dst);
        c.setup(src, dst);
        std::vector<std::string> arguments = {src, dst};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        RunResult result =
            RunVelCopy(arguments, root / (c.unwritableLog ? "no/run.log" : "run.log"));
        EXPECT_EQ(result.ExitCode, c.code) << ::testing::PrintToString(c.switches) << "\n"
                                           << result.Console;
    }
}

TEST(EndToEndReports, TotalsOfAMirrorAndOfItsRehearsal) {
    TempFolder root;
    const std::string src = root / "src", dst = root / "dst";
    for (const char* name : {"a.txt", "sub/b.txt", "same.txt", "ro.txt", "log.mv"})
        MakeFile(src + "/" + name, name);  // 5, 9, 8, 6, 6 bytes
    std::filesystem::create_directories(src + "/newdir");
    std::filesystem::create_directories(dst + "/sub");
    for (const char* name : {"same.txt", "ro.txt", "gone.txt", "old/x.txt"})
        MakeFile(dst + "/" + name, name);
    SetModified(src + "/same.txt", 1700000000);
    SetModified(dst + "/same.txt", 1700000000);
    SetModified(dst + "/ro.txt", 1600000000);
    MakeReadOnly(dst + "/ro.txt");
    // /C goes past the read-only file; /I then lets the deletions be made.
    const std::vector<std::string> mirror = {src,  dst,     "/S",  "/delete", "/C",
                                             "/I", "^*.mv", "/V0", "/Stats",  "/ExitCode"};
    auto totals = [&](const std::string& extra, int code, const std::string& expected) {
        std::vector<std::string> arguments = mirror;
        arguments.push_back(extra);
        RunResult result = RunVelCopy(arguments, root / "run.log");
        Lines shown;
        for (const std::string& line : SplitLines(result.Console))
            if (line.rfind("Totals", 0) == 0) shown.push_back(line);
        ASSERT_EQ(shown.size(), 1u) << result.Console;
        EXPECT_TRUE(std::regex_match(shown[0], std::regex(expected + " in \\d+\\.\\d s")))
            << shown[0];
        EXPECT_EQ(result.LogLines.back(), shown[0]);
        EXPECT_EQ(result.ExitCode, code);
    };
    totals("/Sim", 1,
           "Totals \\(rehearsal\\): 3 copied, 1 moved, 1 folders created, 2 files deleted, 1 "
           "folders deleted, 1 up to date, 0 warnings, 0 errors; 26 bytes");
    const std::string errorLog = root / "errors.log";
    totals("/E:" + errorLog, 1 | 2 | 4,
           "Totals: 2 copied, 1 moved, 1 folders created, 2 files deleted, 1 folders deleted, 1 "
           "up to date, 1 warnings, 0 errors; 20 bytes");
    EXPECT_FALSE(std::filesystem::exists(src + "/log.mv"));
    EXPECT_EQ(ReadTextFile(errorLog).find("Totals"), std::string::npos);
}

}  // namespace
