// Messages of several lines: the program's own line breaks stay line breaks on
// the console and in the logs, while text from outside can neither break a line
// nor begin one.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "output/ConsoleOutput.h"
#include "output/LogFileOutput.h"
#include "platform/TextFile.h"
#include "tests/support/TempFolder.h"

namespace {

using Lines = std::vector<std::string>;

TEST(MessageTextTest, LinesAsAnOutputWritesThem) {
    const std::string name = "evil\r\n!! Error: forged\x1b[2J";
    struct {
        const char* what;
        VelMessageText text;
        Lines expected;
    } cases[] = {
        {"a name's line break is shown",
         "Copying " + name,
         {"!! Warning: Copying evil\\r\\n!! Error: forged\\x1b[2J"}},
        {"the program's lines, the prefix on the first",
         VelMessageText("Failed to connect.").Add("Error code: 5").Add("Description: " + name),
         {"!! Warning: Failed to connect.", "Error code: 5",
          "Description: evil\\r\\n!! Error: forged\\x1b[2J"}},
        {"a reply's lines each on a line of its own, below its first",
         VelMessageText("Failed.").AddReply("Last response: ",
                                            "530-No.\r\n!! Error: forged\r\n530 End.\r\n"),
         {"!! Warning: Failed.", "Last response: 530-No.", "               !! Error: forged",
          "               530 End."}},
        {"bare line feeds end reply lines too; other control bytes are shown",
         VelMessageText::Reply("", "421 Bye\n\tnow\rhere"),
         {"!! Warning: 421 Bye", "  \\tnow\\rhere"}},
        {"an empty reply leaves the label",
         VelMessageText("x").AddReply("Last response: ", ""),
         {"!! Warning: x", "Last response: "}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VelSyncBaseOutput::FormatLines(mcWarning, c.text), c.expected) << c.what;
}

TEST(MessageTextTest, ConsoleWritesEachLineAndWipesTheSummaryUnderTheFirst) {
    platform::CapturingConsole console;
    VelSyncConsoleOutput output(console);
    output.WriteLine(std::string(20, 's'), false);
    console.Text.clear();
    output.Message(mcError, VelMessageText("Failed.").Add("Error code: 12014"));
    EXPECT_EQ(console.Text, "\r!! Error: Failed." + std::string(3, ' ') + std::string(3, '\b') +
                                "\r\n\rError code: 12014\r\n");
}

TEST(MessageTextTest, ErrorLogTimesTheFirstLineOnly) {
    TempFolder folder;
    const std::string path = folder / "err.log";
    {
        VelSyncLogFileOutput log(path, LogOptionSet(loAppend | loTimestamp));
        log.Message(mcError,
                    VelMessageText("Failed.").AddReply("Last response: ", "530-a\r\n530 b"));
    }
    const std::string text = ReadTextFile(path);
    EXPECT_TRUE(std::regex_match(text, std::regex("[^\r\n]+ !! Error: Failed\\.\r\n"
                                                  "Last response: 530-a\r\n"
                                                  " {15}530 b\r\n")))
        << text;
}

}  // namespace
