// Text for monitors in the PC's ANSI code page, as a simplified-Chinese Windows PC has it.
#include <gtest/gtest.h>

#include <string>

#include "TextAndFolders.h"
#include "platform/CodePage.h"

namespace {

TEST(CodePageWin32Test, NamesForMonitorsInTheAnsiCodePage) {
    if (!LegacyCodePageIsChinese()) {
        GTEST_SKIP() << kNotChineseCodePage;
    }
    const std::string middle = "\xE4\xB8\xAD";  // 中, D6 D0 in GBK
    struct Case {
        std::string utf8;
        std::size_t room;
        std::string ansi;
        bool exact;
    };
    const Case cases[] = {
        {"\xE5\x8D\x87\xE7\xBA\xA7\xE5\x8C\x85.bin", 127, "\xC9\xFD\xBC\xB6\xB0\xFC.bin", true},
        // Cut only between the two-byte characters, whose second byte may look like ASCII.
        {std::string(126, 'd') + middle + "x", 127, std::string(126, 'd'), true},
        {std::string(125, 'e') + middle + "x", 127, std::string(125, 'e') + "\xD6\xD0", true},
        {"a" + middle, 2, "a", true},
        {"", 127, "", true},
        // No form in GBK (Thai ko kai): the code page's default character, and said so.
        {"\xE0\xB8\x81.bin", 127, "?.bin", false},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(Utf8ToAnsiCodePage(c.utf8, c.room, out), c.exact) << c.utf8.size();
        EXPECT_EQ(out, c.ansi) << c.utf8.size();
    }
}

}  // namespace
