#include <gtest/gtest.h>

#include "main/FSwitchValue.h"

namespace {

TEST(FSwitchValueTest, BothWholeNumbersOrAProblem) {
    struct {
        const char* value;
        uint32_t first, second;
        const char* problem;  // nullptr: accepted
    } cases[] = {
        {"3,5", 3, 5, nullptr},
        {"0,0", 0, 0, nullptr},
        {"4294967295,1", 4294967295u, 1, nullptr},
        {"3,4,5", 0, 0, R"("3,4,5" is not a valid /F value: "4,5" is not a whole number)"},
        {"3", 0, 0, R"("3" is not a valid /F value: "" is not a whole number)"},
        {"3,", 0, 0, R"("3," is not a valid /F value: "" is not a whole number)"},
        {",3", 0, 0, R"(",3" is not a valid /F value: "" is not a whole number)"},
        {"", 0, 0, R"("" is not a valid /F value: "" is not a whole number)"},
        {"-1,2", 0, 0, R"("-1,2" is not a valid /F value: "-1" is negative)"},
        {"1,-2", 0, 0, R"("1,-2" is not a valid /F value: "-2" is negative)"},
        {"x,2", 0, 0, R"("x,2" is not a valid /F value: "x" is not a whole number)"},
        {" 1,2", 0, 0, R"(" 1,2" is not a valid /F value: " 1" is not a whole number)"},
        {"1.5,2", 0, 0, R"("1.5,2" is not a valid /F value: "1.5" is not a whole number)"},
        {"4294967296,1", 0, 0,
         R"("4294967296,1" is not a valid /F value: "4294967296" is too large (at most 4294967295))"},
    };
    for (auto& c : cases) {
        uint32_t first = 7, second = 7;
        std::string problem;
        bool ok = ReadFSwitchValue(c.value, first, second, problem);
        EXPECT_EQ(ok, c.problem == nullptr) << c.value;
        if (ok) {
            EXPECT_EQ(first, c.first) << c.value;
            EXPECT_EQ(second, c.second) << c.value;
        } else {
            EXPECT_EQ(problem, c.problem);
            EXPECT_EQ(first, 7u);
            EXPECT_EQ(second, 7u);
        }
    }
}

}  // namespace
