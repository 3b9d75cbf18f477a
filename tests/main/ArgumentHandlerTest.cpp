#include <gtest/gtest.h>

#include "main/ArgumentHandler.h"

namespace {

TEST(ArgumentHandlerTest, MatchModes) {
    struct {
        const char *argument, *name;
        int mode;
        bool matches;
    } cases[] = {
        {"/S", "/S", mmExact, true},
        {"/s", "/S", mmExact, false},
        {"/s", "/S", mmExactIgnoreCase, true},
        {"/Sim", "/S", mmExactIgnoreCase, false},
        {"/Sim", "/S", mmPrefix, true},
        {"/sim", "/S", mmPrefix, false},
        {"/l:run.log", "/L", mmPrefixIgnoreCase, true},
        {"/L:run.log", "/L", mmPrefixIgnoreCase, true},
        {"/T", "/T", mmPrefixIgnoreCase, true},
        {"/", "/T", mmPrefixIgnoreCase, false},
        {"run.LOG", ".log", mmSuffix, false},
        {"run.LOG", ".log", mmSuffixIgnoreCase, true},
        {"g", "log", mmSuffixIgnoreCase, false},
        {"", "", mmSuffix, true},
        {"/\xC4", "/\xE4", mmPrefixIgnoreCase, false},  // only A-Z are folded
        {"/S", "/S", 6, false},
        {"/S", "/S", -1, false},
        // Absolute POSIX paths are never switches.
        {"/home/me/data", "/H", mmPrefixIgnoreCase, false},
        {"/tmp/a/", "/T", mmPrefixIgnoreCase, false},
        {"//server/share", "/", mmPrefixIgnoreCase, false},
        {"/data/", "/D", mmPrefixIgnoreCase, false},
        {"/tmp/a:b", "/T", mmPrefixIgnoreCase, false},
        {"/L:/var/log/run.log", "/L", mmPrefixIgnoreCase, true},
        {"/T:tmp/", "/T", mmPrefixIgnoreCase, true},
        {"/D:2024/01/02", "/D", mmPrefixIgnoreCase, true},
        {"-docs/", "-", mmPrefixIgnoreCase, true},
    };
    for (auto& c : cases)
        EXPECT_EQ(VelArgumentHandler::Matches(c.argument, c.name, c.mode), c.matches)
            << c.argument << " / " << c.name << " mode " << c.mode;
}

TEST(ArgumentHandlerTest, LookupTakesTheFirstMatchFromTheFront) {
    VelArgumentHandler handler({"a", "/Sim", "/S", "b"});
    EXPECT_EQ(handler.IndexOf("/S", mmPrefixIgnoreCase), 1);
    EXPECT_TRUE(handler.TakeSwitch("/S", mmPrefixIgnoreCase));  // takes /Sim
    EXPECT_EQ(handler.RemainingArguments, (StringList{"a", "/S", "b"}));
    EXPECT_TRUE(handler.TakeSwitch("/S", mmPrefixIgnoreCase));
    EXPECT_FALSE(handler.TakeSwitch("/S", mmPrefixIgnoreCase));
    EXPECT_EQ(handler.IndexOf("/S", mmPrefixIgnoreCase), -1);
    EXPECT_TRUE(handler.WasGiven("/sim", mmExactIgnoreCase));  // consumed, still given
    EXPECT_EQ(handler.AllArguments.size(), 4u);
    EXPECT_EQ(handler.RemainingCount(), 2);
}

TEST(ArgumentHandlerTest, TakeSwitchValueGivesTheWholeArgument) {
    VelArgumentHandler handler({"/L:C:\\logs\\run.log", "/l:second"});
    std::string value = "unchanged";
    EXPECT_FALSE(handler.TakeSwitchValue("/E", value, mmPrefixIgnoreCase));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(handler.TakeSwitchValue("/L", value, mmPrefixIgnoreCase));
    EXPECT_EQ(value, "/L:C:\\logs\\run.log");
    EXPECT_TRUE(handler.TakeSwitchValue("/L", value, mmPrefixIgnoreCase));
    EXPECT_EQ(value, "/l:second");
    EXPECT_EQ(handler.RemainingCount(), 0);
}

TEST(ArgumentHandlerTest, TakeNextAndRemainingAsText) {
    VelArgumentHandler handler({"x", "a", "b c", ""});
    std::string value;
    handler.TakeNext(value);
    EXPECT_EQ(value, "x");
    std::string text = "stale";
    handler.RemainingAsText(text);
    EXPECT_EQ(text, "a \"b c\" ");
    handler.TakeNext(value);
    handler.TakeNext(value);
    handler.TakeNext(value);
    EXPECT_EQ(value, "");
    value = "stale";
    handler.TakeNext(value);  // nothing left
    EXPECT_EQ(value, "");
    handler.RemainingAsText(text);
    EXPECT_EQ(text, "");
}

}  // namespace
