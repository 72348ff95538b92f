// Quoting by the Windows argument rules, checked as text on every platform (the Windows runner's
// tests also send these through a real program and back).
#include "platform/WindowsCommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsCommandLineTest, QuotesOnlyWhatTheRulesRequire) {
    struct Case {
        const char* argument;
        const char* quoted;
    } const cases[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"a\tb", "\"a\tb\""},
        {"a\nb", "\"a\nb\""},
        {"a\vb", "\"a\vb\""},
        {"a\"b", "\"a\\\"b\""},
        {"\"", "\"\\\"\""},
        {"C:\\dir\\x.exe", "C:\\dir\\x.exe"},  // backslashes alone stay as they are
        {"tail\\\\", "tail\\\\"},              // also at the end when unquoted
        {"C:\\Program Files\\x.exe", "\"C:\\Program Files\\x.exe\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},  // backslash before a quote: doubled
        {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
        {"a b\\", "\"a b\\\\\""},  // before the closing quote: doubled
        {"a b\\\\", "\"a b\\\\\\\\\""},
        {"\xe4\xb8\xad\xe6\x96\x87", "\xe4\xb8\xad\xe6\x96\x87"},
        {"\xe4\xb8\xad \xe6\x96\x87", "\"\xe4\xb8\xad \xe6\x96\x87\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuoteWindowsArgument(c.argument), c.quoted) << c.argument;
    }
}

TEST(WindowsCommandLineTest, JoinsQuotedArgumentsWithSingleSpaces) {
    EXPECT_EQ(BuildWindowsCommandLine({"C:\\My Tools\\t.exe", "a b", "", "x\"y", "end\\"}),
              "\"C:\\My Tools\\t.exe\" \"a b\" \"\" \"x\\\"y\" end\\");
    EXPECT_EQ(BuildWindowsCommandLine({"netsh"}), "netsh");
    EXPECT_EQ(BuildWindowsCommandLine({}), "");
}

}  // namespace
