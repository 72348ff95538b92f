#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "foundation/PublicFunctions.h"

namespace {

// The records of Assert.log as (expression, function, line) taken from their two lines.
struct AssertRecord {
    std::string expression;
    std::string function;
    int line;
};

std::vector<AssertRecord> AssertRecords(const ScopedLogDir& logs) {
    std::string text = ReadLogText(logs.file("Assert.log"));
    std::vector<AssertRecord> records;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t firstEnd = text.find('\n', pos);
        std::size_t secondEnd = text.find('\n', firstEnd + 1);
        if (firstEnd == std::string::npos || secondEnd == std::string::npos) {
            break;
        }
        std::string first = text.substr(pos, firstEnd - pos);
        std::string second = text.substr(firstEnd + 1, secondEnd - firstEnd - 1);
        // second line: ",file,function,line"
        std::size_t lastComma = second.rfind(',');
        std::size_t funcComma = second.rfind(',', lastComma - 1);
        records.push_back({first.substr(0, first.rfind(',')),
                           second.substr(funcComma + 1, lastComma - funcComma - 1),
                           std::stoi(second.substr(lastComma + 1))});
        pos = secondEnd + 1;
    }
    return records;
}

std::string Bytes(std::initializer_list<unsigned char> b) {
    return std::string(b.begin(), b.end());
}

TEST(PublicFunctionsTest, Utf8DecodingTable) {
    struct Case {
        const char* name;
        std::string utf8;
        WString expected;
        std::vector<int> assertLines;  // "false" records of Utf8ToUnicode
    };
    const Case cases[] = {
        {"ascii", "abc", u"abc", {}},
        {"three-byte", Bytes({0xE4, 0xB8, 0xAD}), u"\u4E2D", {}},
        {"two-byte", Bytes({0xC3, 0xA9}), u"\u00E9", {}},
        {"bad three-byte then stray", Bytes({0x41, 0xE4, 0xB8, 0x42}), u"AB", {226}},
        {"bad two-byte", Bytes({0x41, 0xC3, 0x42}), u"AB", {206}},
        {"two-byte cut by terminator", Bytes({0x41, 0xC3}), u"A", {206}},
        {"three-byte cut by terminator", Bytes({0x41, 0xE4, 0xB8}), u"A", {226}},
        {"overlong zero ends text", Bytes({0x41, 0xC0, 0x80, 0x42}), u"A", {}},
        {"four-byte dropped", Bytes({0x41, 0xF0, 0x9F, 0x98, 0x80, 0x42}), u"AB", {}},
        {"stray continuation", Bytes({0x80, 0xBF, 0x43}), u"C", {}},
        {"empty", "", u"", {}},
    };
    for (const Case& c : cases) {
        ScopedLogDir logs;
        EXPECT_EQ(CPublicFunctions::Utf8ToUnicode(c.utf8.c_str()), c.expected) << c.name;
        std::vector<AssertRecord> records = AssertRecords(logs);
        ASSERT_EQ(records.size(), c.assertLines.size()) << c.name;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].expression, "false") << c.name;
            EXPECT_EQ(records[i].function, "CPublicFunctions::Utf8ToUnicode") << c.name;
            EXPECT_EQ(records[i].line, c.assertLines[i]) << c.name;
        }
    }
}

TEST(PublicFunctionsTest, Utf8EncodingTable) {
    struct Case {
        WString wide;
        std::string utf8;
    };
    const Case cases[] = {
        {u"abc", "abc"},
        {u"\u4E2D", Bytes({0xE4, 0xB8, 0xAD})},
        {u"\u00E9", Bytes({0xC3, 0xA9})},
        {u"\u007F\u0080\u07FF\u0800\uFFFF",
         Bytes({0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF})},
        // U+1F600 as a surrogate pair: each unit on its own
        {u"\xD83D\xDE00", Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPublicFunctions::UnicodeToUtf8(c.wide.c_str()), c.utf8);
    }
    EXPECT_EQ(CPublicFunctions::Utf8ToUnicode(CPublicFunctions::UnicodeToUtf8(u"abc").c_str()),
              u"abc");
}

TEST(PublicFunctionsTest, LengthLimitCountsTheTerminator) {
    ScopedLogDir logs;
    for (std::size_t units : {4095u, 4096u, 5000u}) {
        bool converts = units < 4096;
        std::string narrow(units, 'x');
        WString wide(units, u'x');
        EXPECT_EQ(CPublicFunctions::Utf8ToUnicode(narrow.c_str()).size(), converts ? units : 0u)
            << units;
        EXPECT_EQ(CPublicFunctions::UnicodeToUtf8(wide.c_str()).size(), converts ? units : 0u)
            << units;
        EXPECT_EQ(CPublicFunctions::MultiByteToWstring(narrow.c_str()).size(),
                  converts ? units : 0u)
            << units;
    }
    // The narrow converter counts output units: 2000 three-byte characters are 6000 bytes.
    std::string chinese;
    for (int i = 0; i < 2000; ++i) {
        chinese += Bytes({0xE4, 0xB8, 0xAD});
    }
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring(chinese.c_str()).size(), 2000u);
    EXPECT_TRUE(AssertRecords(logs).empty());  // too long is not a contract violation
}

TEST(PublicFunctionsTest, NullInputLeavesRecordAndGivesEmpty) {
    ScopedLogDir logs;
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring(nullptr), u"");
    EXPECT_EQ(CPublicFunctions::Utf8ToUnicode(nullptr), u"");
    EXPECT_EQ(CPublicFunctions::UnicodeToUtf8(nullptr), "");
    std::vector<AssertRecord> records = AssertRecords(logs);
    ASSERT_EQ(records.size(), 3u);
    const AssertRecord expected[] = {{"src != NULL", "CPublicFunctions::MultiByteToWstring", 113},
                                     {"src != NULL", "CPublicFunctions::Utf8ToUnicode", 174},
                                     {"src != NULL", "CPublicFunctions::UnicodeToUtf8", 25}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].expression, expected[i].expression);
        EXPECT_EQ(records[i].function, expected[i].function);
        EXPECT_EQ(records[i].line, expected[i].line);
    }
}

TEST(PublicFunctionsTest, NarrowCodePageIsUtf8) {
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring("abc"), u"abc");
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring(Bytes({0xE4, 0xB8, 0xAD}).c_str()), u"\u4E2D");
    // Outside the BMP the platform conversion keeps the character as a surrogate pair.
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring(Bytes({0xF0, 0x9F, 0x98, 0x80}).c_str()),
              u"\xD83D\xDE00");
    // Bytes the code page cannot convert give an empty result.
    EXPECT_EQ(CPublicFunctions::MultiByteToWstring(Bytes({0x41, 0xD6, 0xD0}).c_str()), u"");
}

}  // namespace
