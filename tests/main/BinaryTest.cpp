// The built program, run as a process: what it prints and its exit code.

#include <gtest/gtest.h>

#include "main/UsageText.h"
#include "tests/support/RunBinary.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(BinaryTest, UsageWithExitCodeZero) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"/?"}, {"/H", "a", "b"}}) {
        BinaryOutcome outcome = RunBinary(arguments);
        EXPECT_EQ(outcome.ExitCode, 0);
        EXPECT_EQ(outcome.Output, UsageText());
    }
}

TEST(BinaryTest, LeftOverArgumentsWithExitCodeZero) {
    BinaryOutcome outcome = RunBinary({"a", "b", "c"});
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(outcome.Output, "Unrecognised arguments: c\r\n" + UsageText());
}

TEST(BinaryTest, BadFValueEndsWithExitCodeOneAndOneLine) {
    BinaryOutcome outcome = RunBinary({"a", "b", "/F:3,"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Output,
              "VelCopy: \"3,\" is not a valid /F value: \"\" is not a whole number\r\n");
}

TEST(BinaryTest, CompleteCommandLineEndsWithExitCodeZero) {
    BinaryOutcome outcome = RunBinary({"/nonexistent/velcopy-src/", "/nonexistent/velcopy-dst/"});
    EXPECT_FALSE(outcome.Signalled);
    EXPECT_EQ(outcome.ExitCode, 0);
}

}  // namespace
