#include <gtest/gtest.h>

#include <string>

#include "TextAndFolders.h"
#include "platform/CodePage.h"

namespace {

TEST(CodePageTest, Utf8Validity) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"abc", true},
        {"\xE4\xB8\xAD", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xC0\x80", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xE4\xB8", false},          // cut short
        {"\x80", false},              // stray continuation
        {"\xD6\xD0\xCE\xC4", false},  // GB18030 text
        {std::string("a\0b", 3), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
    }
}

TEST(CodePageTest, AnsiToUtf16) {
    WString out;
    ASSERT_TRUE(AnsiToUtf16("a\xE4\xB8\xAD\xF0\x9F\x98\x80", out));
    EXPECT_EQ(out, u"a\u4E2D\xD83D\xDE00");
    EXPECT_FALSE(AnsiToUtf16("a\xD6\xD0", out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(AnsiToUtf16(nullptr, out));
    EXPECT_TRUE(out.empty());
}

TEST(CodePageTest, Utf16ToAnsi) {
    EXPECT_EQ(Utf16ToAnsi(u"a\u4E2D\xD83D\xDE00"), "a\xE4\xB8\xAD\xF0\x9F\x98\x80");
    // Unpaired surrogates (lone high, lone low, high at the end) become U+FFFD.
    EXPECT_EQ(Utf16ToAnsi(u"\xD83Dx\xDE00y\xD83D"), "\xEF\xBF\xBDx\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(CodePageTest, DropInvalidUtf8KeepsValidSequences) {
    EXPECT_EQ(DropInvalidUtf8("a\xFF\xE4\xB8\xAD\xE4\xB8z\x80"), "a\xE4\xB8\xADz");
}

TEST(CodePageTest, LegacyCodePageToUtf8) {
    if (!LegacyCodePageIsChinese()) {
        GTEST_SKIP() << kNotChineseCodePage;
    }
    std::string out;
    ASSERT_TRUE(LegacyCodePageToUtf8("SSID=\xD6\xD0\xCE\xC4\r\n", out));
    EXPECT_EQ(out, "SSID=\xE4\xB8\xAD\xE6\x96\x87\r\n");
    // Larger than one conversion chunk.
    std::string big;
    for (int i = 0; i < 5000; ++i) {
        big += "\xD6\xD0";
    }
    ASSERT_TRUE(LegacyCodePageToUtf8(big, out));
    EXPECT_EQ(out.size(), 15000u);
    EXPECT_FALSE(LegacyCodePageToUtf8("a\xD6", out));  // ends inside a character
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(LegacyCodePageToUtf8("", out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
