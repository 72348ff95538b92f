#include "pages/ProgressText.h"

#include <gtest/gtest.h>

TEST(ProgressText, OnlyWholePercentagesAreProgress) {
    struct Case {
        const char* text;
        int progress;
    } cases[] = {{"0%", 0},   {"42%", 42}, {"100%", 100}, {"101%", -1}, {"1000%", -1},
                 {"%", -1},   {"-1%", -1}, {"+5%", -1},   {"4 2%", -1}, {"4%2", -1},
                 {" 5%", -1}, {"42", -1},  {"", -1},      {"完成", -1}, {"００%", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressOfText(c.text), c.progress) << c.text;
    }
}
