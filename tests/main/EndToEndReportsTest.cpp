// What the person reading a scheduled job's mail, and the job itself, get from
// the built program: failure messages of several lines as real lines on the
// console and in both logs, what a refused login says on each server, the exit
// code of /ExitCode bit by bit, and the totals line of /Stats.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "ftp/FtpErrors.h"
#include "platform/ErrorCodes.h"
#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;
using Lines = std::vector<std::string>;

std::string Location(uint16_t port, const std::string& folder) {
    return "ftp://127.0.0.1:" + std::to_string(port) + folder;
}

// CR LF lines; on the console only what stands after a line's last carriage
// return (the progress line rewritten in place) is seen.
Lines SplitLines(const std::string& text) {
    Lines lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t seen = line.rfind('\r');
        lines.push_back(seen == std::string::npos ? line : line.substr(seen + 1));
        start = end + 2;
    }
    return lines;
}

// Whether the lines hold the block as lines one after the other. An error log's
// time stands before a message's first line only, unless each line is a message
// of its own (separate).
bool HoldsBlock(const Lines& lines, const Lines& block, bool separate) {
    auto matches = [&](size_t at, size_t i) {
        return i == 0 || separate ? lines[at + i].ends_with(block[i]) : lines[at + i] == block[i];
    };
    for (size_t at = 0; at + block.size() <= lines.size(); ++at) {
        size_t i = 0;
        while (i < block.size() && matches(at, i)) ++i;
        if (i == block.size()) return true;
    }
    return false;
}

// The code that a failure report gives ("Error code: N"), 0 when none does.
uint32_t ReportedCode(const Lines& lines) {
    for (const std::string& line : lines)
        if (line.rfind("Error code: ", 0) == 0) return uint32_t(std::stoul(line.substr(12)));
    return 0;
}

Lines FourLines(const std::string& first, uint32_t code, const std::string& response) {
    return {"!! Error: " + first, "Error code: " + std::to_string(code),
            "Description: " + DescribeFtpError(code, response), "Last response: " + response};
}

TEST(EndToEndReports, FailuresOfSeveralLinesAreLinesOnTheConsoleAndInBothLogs) {
    PyftpdlibServer python;
    if (!python.Started()) GTEST_SKIP() << python.Problem;
    uint16_t closed = 0;
    CloseSocket(ListenOnLoopback(1, closed));
    const std::string share = NativePath("//nosuchserver/share");
    struct {
        const char* what;
        std::string location, password;
        // Codes the system's FTP client may give (the Windows library's own
        // differs for a refused password); the lines for a code.
        std::vector<uint32_t> codes;
        std::function<Lines(uint32_t code)> lines;
        bool share = false;  // the disk device's three messages
    } cases[] = {
        {"nothing listening",
         Location(closed, "/"),
         "secret",
         {ErrorCode::InternetCannotConnect},
         [](uint32_t code) {
             return FourLines("Failed to connect to server 127.0.0.1.", code, "");
         }},
        {"wrong password",
         Location(python.Port, "/"),
         "wrong",
         {ErrorCode::InternetIncorrectPassword, ErrorCode::InternetLoginFailure},
         [](uint32_t code) {
             return FourLines("Failed to connect to server 127.0.0.1.", code,
                              "530 Authentication failed.");
         }},
        {"name that does not resolve",
         "ftp://no-such-host.invalid/www",
         "secret",
         {ErrorCode::InternetNameNotResolved},
         [](uint32_t code) {
             return FourLines("Could not resolve server name no-such-host.invalid.", code, "");
         }},
        {"share that cannot be reached",
         share + NativePath("/x"),
         "secret",
         {ErrorCode::BadNetPath},
         [&](uint32_t) {
             return Lines{"!! Error: Failed to connect to " + share, "!! Error: Error code: 53",
                          "!! Error: Description: The network path was not found."};
         },
         true},
    };
    TempFolder work;
    for (const auto& c : cases) {
        if (c.share && LeftOutUnderWine("UNC shares")) continue;
        const std::string errorLog = work / "errors.log";
        std::filesystem::remove(errorLog);
        RunResult result = RunVelCopy(
            {work.Path + "/", c.location, "/U:user", "/P:" + c.password, "/E:" + errorLog},
            work / "run.log");
        const uint32_t code = c.codes.size() == 1 ? c.codes[0] : ReportedCode(result.LogLines);
        EXPECT_THAT(c.codes, ::testing::Contains(code)) << c.what;
        const Lines expected = c.lines(code);
        EXPECT_TRUE(HoldsBlock(result.LogLines, expected, c.share))
            << c.what << " in the log:\n"
            << ::testing::PrintToString(result.LogLines);
        EXPECT_TRUE(HoldsBlock(SplitLines(result.Console), expected, c.share))
            << c.what << " on the console:\n"
            << result.Console;
        EXPECT_TRUE(HoldsBlock(SplitLines(ReadTextFile(errorLog)), expected, c.share))
            << c.what << " in the error log:\n"
            << ReadTextFile(errorLog);
        EXPECT_TRUE(
            HasLine(result, "!! Error: Failed to connect to destination " + c.location + "."))
            << c.what;
    }
}

// The 530 that vsftpd, pyftpdlib and Pure-FTPd send only after a pause is what
// the failure shows, with the code of a refused password.
TEST(EndToEndReports, AWrongPasswordSaysSoOnEachServer) {
    std::vector<std::unique_ptr<ExternalFtpServer>> servers;
    servers.push_back(std::make_unique<PyftpdlibServer>());
    if (OtherFtpServersRunHere()) {
        servers.push_back(std::make_unique<VsftpdUserServer>());
        servers.push_back(std::make_unique<ProftpdServer>());
        servers.push_back(std::make_unique<PureFtpdServer>());
    }
    TempFolder work;
    int tried = 0;
    for (const auto& server : servers) {
        if (!server->Started()) {
            std::printf("not run: %s\n", server->Problem.c_str());
            continue;
        }
        ++tried;
        const std::string at = Location(server->Port, "/");
        RunResult result =
            RunVelCopy({work.Path + "/", at, "/U:user", "/P:wrong"}, work / "run.log");
        const uint32_t code = ReportedCode(result.LogLines);
        EXPECT_THAT(code, ::testing::AnyOf(ErrorCode::InternetIncorrectPassword,
                                           ErrorCode::InternetLoginFailure))
            << at << "\n"
            << result.Console;
        const Lines& lines = result.LogLines;
        auto first = std::find(lines.begin(), lines.end(),
                               "!! Error: Failed to connect to server 127.0.0.1.");
        ASSERT_GE(std::distance(first, lines.end()), 4) << result.Console;
        EXPECT_EQ(first[2], "Description: " + DescribeFtpError(code, "")) << at;
        EXPECT_THAT(first[3], ::testing::StartsWith("Last response: 530 ")) << at;
    }
    if (tried == 0) GTEST_SKIP() << "no FTP server could be started";
}

// Each bit from a real run between two folders, and the code as designed
// without the switch.
TEST(EndToEndReports, ExitCodeBitByBit) {
    using Setup = std::function<void(const std::string& src, const std::string& dst)>;
    const Setup oneCopy = [](const std::string& src, const std::string&) {
        MakeFile(src + "/a.txt", "alpha");
    };
    const Setup readOnlyTarget = [](const std::string& src, const std::string& dst) {
        MakeFile(src + "/a.txt", "new");
        MakeFile(dst + "/a.txt", "old");
        SetModified(dst + "/a.txt", 1600000000);
        MakeReadOnly(dst + "/a.txt");
    };
    struct {
        const char* what;
        Setup setup;
        std::vector<std::string> switches;
        int code;
        bool link = false;    // needs a symbolic link
        bool badLog = false;  // the /L log is to go into a folder that is not there
    } cases[] = {
        {"nothing to do",
         [](const std::string& src, const std::string& dst) {
             MakeFile(src + "/a.txt", "same");
             MakeFile(dst + "/a.txt", "same");
             SetModified(src + "/a.txt", 1700000000);
             SetModified(dst + "/a.txt", 1700000000);
         },
         {"/ExitCode"},
         0},
        {"a copy", oneCopy, {"/ExitCode"}, 1},
        {"a copy rehearsed", oneCopy, {"/ExitCode", "/Sim"}, 1},
        {"a source link that leads nowhere",
         [](const std::string& src, const std::string&) {
             std::filesystem::create_symlink(src + "/nowhere", src + "/link");
         },
         {"/ExitCode"},
         2,
         true},
        {"a read-only destination file", readOnlyTarget, {"/ExitCode"}, 4},
        {"the same, without the switch", readOnlyTarget, {}, 0},
        {"deletions held back after a failed copy",
         [&](const std::string& src, const std::string& dst) {
             readOnlyTarget(src, dst);
             MakeFile(dst + "/gone.txt", "obsolete");
         },
         {"/ExitCode", "/delete", "/C"},
         2 | 4 | 8},
        {"a missing source folder",
         [](const std::string& src, const std::string&) { std::filesystem::remove(src); },
         {"/ExitCode"},
         4 | 16},
        {"a log that cannot be created", oneCopy, {"/ExitCode"}, 1 | 2 | 16, false, true},
    };
    for (const auto& c : cases) {
        if (c.link && LeftOutUnderWine("links")) continue;
        TempFolder root;
        const std::string src = root / "src", dst = root / "dst";
        std::filesystem::create_directories(src);
        std::filesystem::create_directories(dst);
        c.setup(src, dst);
        std::vector<std::string> arguments = {src, dst};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        RunResult result =
            RunVelCopy(arguments, c.badLog ? root / "no/such/run.log" : root / "run.log");
        EXPECT_EQ(result.ExitCode, c.code) << c.what << "\n" << result.Console;
    }
}

TEST(EndToEndReports, TotalsOfAMirrorAndOfItsRehearsal) {
    TempFolder root;
    const std::string src = root / "src", dst = root / "dst";
    MakeFile(src + "/a.txt", "alpha");
    MakeFile(src + "/sub/b.txt", "beta!!");
    MakeFile(src + "/same.txt", "same");
    MakeFile(src + "/ro.txt", "new ro");
    MakeFile(src + "/log.mv", "mv");
    std::filesystem::create_directories(src + "/newdir");
    std::filesystem::create_directories(dst + "/sub");
    MakeFile(dst + "/same.txt", "same");
    SetModified(src + "/same.txt", 1700000000);
    SetModified(dst + "/same.txt", 1700000000);
    MakeFile(dst + "/ro.txt", "old");
    SetModified(dst + "/ro.txt", 1600000000);
    MakeReadOnly(dst + "/ro.txt");
    MakeFile(dst + "/gone.txt", "obsolete");
    MakeFile(dst + "/old/x.txt", "obsolete");
    // /C goes past the read-only file; /I then lets the deletions be made.
    const std::vector<std::string> mirror = {src,  dst,     "/S",     "/delete", "/C",
                                             "/I", "^*.mv", "/Stats", "/V0",     "/ExitCode"};
    auto totals = [](const RunResult& result) {
        std::vector<std::string> found;
        for (const std::string& line : SplitLines(result.Console))
            if (line.rfind("Totals", 0) == 0) found.push_back(line);
        EXPECT_EQ(found.size(), 1u) << result.Console;
        EXPECT_EQ(result.LogLines.back(), found.empty() ? "" : found[0]);
        return found.empty() ? "" : found[0];
    };
    auto rehearsal = mirror;
    rehearsal.push_back("/Sim");
    RunResult rehearsed = RunVelCopy(rehearsal, root / "run.log");
    EXPECT_TRUE(std::regex_match(
        totals(rehearsed), std::regex("Totals \\(rehearsal\\): 3 copied, 1 moved, 1 folders "
                                      "created, 2 files deleted, 1 folders deleted, 1 up to "
                                      "date, 0 warnings, 0 errors; 19 bytes in \\d+\\.\\d s")))
        << totals(rehearsed);
    EXPECT_EQ(rehearsed.ExitCode, 1);

    const std::string errorLog = root / "errors.log";
    auto logged = mirror;
    logged.push_back("/E:" + errorLog);
    RunResult result = RunVelCopy(logged, root / "run.log");
    EXPECT_TRUE(std::regex_match(totals(result),
                                 std::regex("Totals: 2 copied, 1 moved, 1 folders created, 2 files "
                                            "deleted, 1 folders deleted, 1 up to date, 1 warnings, "
                                            "0 errors; 13 bytes in \\d+\\.\\d s")))
        << totals(result);
    EXPECT_EQ(result.ExitCode, 1 | 2 | 4);
    EXPECT_FALSE(std::filesystem::exists(src + "/log.mv"));
    EXPECT_EQ(ReadTextFile(errorLog).find("Totals"), std::string::npos);
}

}  // namespace
