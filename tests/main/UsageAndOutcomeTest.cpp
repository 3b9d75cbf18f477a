#include "tests/main/ProgramBodyFixture.h"

namespace {

const char* const ExpectedUsage[] = {
    "VelCopy <Source> <Destination> [/C] [/delete] [/D:date] [/E:Logfile]",
    "\t[/L:logfile] [/M] [/N] [/O] [/P:pass] [/R] [/S] [/U:user] [/Vn]",
    "\t[/Active] [/Passive] [/1] [+copy-spec]",
    "\t[-ignore-spec] [/T:xxx] [/ExitCode] [/Stats]",
    "Flags:-",
    "  /A:ascii-spec  Specify ASCII files (for FTP only).",
    "  /Active  Use ACTIVE FTP (for FTP only).",
    "  /C    Continue if an error occurs.",
    "  /Cert:x  Trust the FTP server's TLS certificate: SHA-256 fingerprint or PEM file.",
    "  /CH:xxx  Chmod new file and sub-directory setting (FTP only).",
    "  /ChmodF:xxx  Chmod new file setting (FTP only).",
    "  /ChmodS:xxx  Chmod new sub-directory setting (FTP only).",
    "  /delete  Delete obsolete target files (default to keep them).",
    "  /D:date  Only copy files modified on or after the specified date.",
    "  /1    Allow a one second time drift between source and destination.",
    "  /2    Allow a two second time drift between source and destination.",
    "  /E:LogFile  Error log file. Errors appended to.",
    "  /ExitCode  Exit code is the sum of 1 (changes made), 2 (warnings), 4 (errors),",
    "             8 (deletions held back), 16 (run could not start); 0 if nothing to do.",
    "  /I    Ignore errors - use with /C to allow /Delete after errors encountered",
    "  /L:LogFile  Logfile to log to. Overwritten each time.",
    "  /M    Make (i.e. create) target directory if it does not exist",
    "  /MT:n  Copy up to n files at once (1 to 16; FTP: n connections a side).",
    "  /N    Only copy Newer files",
    "  /O    Do not delete destination files that predate the start date",
    "  /P:pwd   Password. Used for ftp connections.",
    "  /Passive  Use Passive FTP (for FTP only). Default is Passive then Active.",
    "  /R    Overwrite Read-only files.",
    "  /S    Consider sub-directories.",
    "  /Stats  Show the totals of the run when it ends.",
    "  /T:xxx Temporary file prefix, causes copy to temporary file first.",
    "  /U:uid   Username. Used for ftp and network connections.",
    "  /V0   Suppress progress summary.",
    "  /V1   More Verbose output. Lists everything that is copied or deleted.",
    "  /V2   Very Verbose output. Lists every action.",
    "  /V:E   Verbose-Explain.",
    "  +copy-spec  Wildcard expression for files to copy.",
    "  -exclude-spec  Wildcard expression for files not to copy.",
    "  ^move-spec  Wildcard expression for files to move (copy then delete source).",
    "  #ignore-spec  Wildcard expression for files to ignore (and not delete).",
    "                a trailing slash (\"\\\") indicates a directory not to copy.",
    "For FTP connections use ftp://server/dir (ftpes:// or ftps:// for FTP over TLS)",
};

std::string Usage() {
    std::string text;
    for (const char* line : ExpectedUsage) text += std::string(line) + "\r\n";
    return text;
}

TEST(UsageTextTest, ByteForByte) {
    const std::string& text = UsageText();
    EXPECT_EQ(text, Usage());
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 42u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feed before the first
    EXPECT_EQ(std::string(ExpectedUsage[40]).substr(0, 17), std::string(16, ' ') + "a");
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(ProgramBodyTest, UsageWithoutAnythingToDo) {
    const StringList cases[] = {
        {}, {"/?"}, {"/H", "a", "b"}, {"/h"}, {"/? ", "a", "b"}, {"a"}, {"/help", "a", "b"}};
    for (const StringList& arguments : cases) {
        console.Text.clear();
        EXPECT_EQ(Run(arguments), 0);
        EXPECT_EQ(console.Text, Usage()) << testing::PrintToString(arguments);
        EXPECT_FALSE(run.Ran);
    }
}

TEST_F(ProgramBodyTest, LeftOverArgumentsAreNamedBeforeTheUsage) {
    struct {
        StringList arguments;
        std::string leftOver;
    } cases[] = {
        {{"a", "b", "c"}, "c"},
        {{"a", "b", "/O"}, "/O"},
        {{"/O", "a", "b"}, "b"},  // /O has no lookup: it becomes the source
        {{"a", "b", "c d", "e"}, "\"c d\" e"},
        {{"/H", "/?", "a", "b"}, "b"},  // with /H found, /? is not looked up
    };
    for (auto& c : cases) {
        console.Text.clear();
        EXPECT_EQ(Run(c.arguments), 0);
        EXPECT_EQ(console.Text, "Unrecognised arguments: " + c.leftOver + "\r\n" + Usage());
        EXPECT_FALSE(run.Ran);
    }
}

TEST_F(ProgramBodyTest, UnreadableDateThenUsage) {
    for (const char* date : {"/D:not-a-date", "/D:31.02.2024", "/D", "/d:2024-02-30"}) {
        console.Text.clear();
        EXPECT_EQ(Run({"a", "b", date, "/S"}), 0);
        EXPECT_EQ(console.Text, "Could not parse date: " + std::string(date) + "\r\n" + Usage());
        EXPECT_FALSE(run.Ran);
    }
}

TEST_F(ProgramBodyTest, MissingAsciiSpecThenUsage) {
    EXPECT_EQ(Run({"a", "b", "/A"}), 0);
    EXPECT_EQ(console.Text, "Missing ascii file spec\r\n" + Usage());
    EXPECT_FALSE(run.Ran);
}

TEST_F(ProgramBodyTest, CommandLineMessagesComeInTheirOrder) {
    EXPECT_EQ(Run({"a", "b", "/A:", "/P:x", "/D:x", "c"}), 0);
    EXPECT_EQ(console.Text,
              "Could not parse date: /D:x\r\nWarning: Password supplied but no username.\r\n"
              "Missing ascii file spec\r\nUnrecognised arguments: c\r\n" +
                  Usage());
}

TEST_F(ProgramBodyTest, BadFValueEndsWithExitCodeOne) {
    struct {
        const char* argument;
        std::string line;
    } cases[] = {
        {"/F:3", R"(VelCopy: "3" is not a valid /F value: "" is not a whole number)"},
        {"/F:3,", R"(VelCopy: "3," is not a valid /F value: "" is not a whole number)"},
        {"/f:-1,2", R"(VelCopy: "-1,2" is not a valid /F value: "-1" is negative)"},
        {"/F", R"(VelCopy: "" is not a valid /F value: "" is not a whole number)"},
    };
    for (auto& c : cases) {
        console.Text.clear();
        EXPECT_EQ(Run({"a", "b", c.argument, "/P:x"}), 1);
        EXPECT_EQ(console.Text,
                  "Warning: Password supplied but no username.\r\n" + c.line + "\r\n");
        EXPECT_FALSE(run.Ran);
    }
}

TEST_F(ProgramBodyTest, CompleteCommandLineRunsWithExitCodeZero) {
    during = [](VelSyncBaseOutput& output) { output.Message(mcError, "Failed to connect."); };
    EXPECT_EQ(Run({"a", "b"}), 0);
    EXPECT_TRUE(run.Ran);
    EXPECT_EQ(run.Source.Location, "a");
    EXPECT_EQ(run.Destination.Location, "b");
    EXPECT_EQ(console.Text, "\r!! Error: Failed to connect.\r\n");
}

TEST_F(ProgramBodyTest, PasswordWithoutUserWarnsAndStillRuns) {
    EXPECT_EQ(Run({"a", "b", "/P:x"}), 0);
    EXPECT_EQ(console.Text, "Warning: Password supplied but no username.\r\n");
    EXPECT_TRUE(run.Ran);
}

// The two switches are not taken for /S and /E, whose names begin them; a
// command line at fault is no run with nothing to do. (The bits of a run, the
// end-to-end tests show.)
TEST_F(ProgramBodyTest, WithExitCodeACommandLineAtFaultCouldNotStart) {
    const std::pair<StringList, int> cases[] = {
        {{"a", "b", "/Stats", "/exitcode"}, 16},  // no run began: the driver sent no Finish
        {{"a", "/ExitCode"}, 16},
        {{"a", "b", "c", "/ExitCode"}, 16},
        {{"/?", "/ExitCode"}, 0},
        {{"a", "b", "/F:3", "/ExitCode"}, 4 | 16},
    };
    for (const auto& [arguments, code] : cases) {
        run = RunRecord();
        EXPECT_EQ(Run(arguments), code) << testing::PrintToString(arguments);
        if (run.Ran) {
            EXPECT_FALSE(run.Options.Recurse);
        }
    }
    EXPECT_EQ(console.Text.find("Unrecognised arguments: /"), std::string::npos);
}

TEST_F(ProgramBodyTest, UnexpectedErrorInTheRunEndsWithExitCodeOne) {
    during = [](VelSyncBaseOutput& output) {
        SyncStatistics stats;
        output.ShowProgress(stats);
        throw std::bad_alloc();
    };
    EXPECT_EQ(Run({"a", "b"}), 1);
    // The pending progress line is wiped before the report.
    const std::string summary = "Directories: 0/0  Files: 0/0";
    EXPECT_EQ(console.Text, "\r" + summary + "\r" + std::string(summary.size(), ' ') +
                                std::string(summary.size(), '\b') + "VelCopy: std::bad_alloc\r\n");
}

}  // namespace
