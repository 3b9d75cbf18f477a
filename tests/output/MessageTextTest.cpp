// Messages of several lines: the program's own line breaks stay line breaks,
// while text from outside can neither break a line nor begin one. (How the
// console and the logs write the lines, the end-to-end tests show.)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "output/BaseOutput.h"

namespace {

using Lines = std::vector<std::string>;

TEST(MessageTextTest, LinesAsAnOutputWritesThem) {
    const std::string name = "evil\r\n!! Error: forged\x1b[2J";
    struct {
        const char* what;
        VelMessageText text;
        Lines expected;
    } cases[] = {
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(VelSyncBaseOutput::FormatLines(mcWarning, c.text), c.expected) << c.what;
}

}  // namespace
