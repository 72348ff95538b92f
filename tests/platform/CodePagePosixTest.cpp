// Linux reads legacy Chinese text as GB18030, whose four-byte forms reach every character.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"

namespace {

TEST(CodePageTest, Gb18030FourByteForms) {
    ASSERT_EQ(LegacyCodePageNumber(), 54936);
    std::string out;
    ASSERT_TRUE(LegacyCodePageToUtf8("\x94\x39\xFC\x36", out));  // U+1F600
    EXPECT_EQ(out, "\xF0\x9F\x98\x80");
    EXPECT_FALSE(LegacyCodePageToUtf8("a\xFF", out));  // never a GB18030 byte
    EXPECT_TRUE(out.empty());
}

}  // namespace
