#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "IniReadCases.h"
#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/IniFile.h"
#include "platform/Utf8Path.h"

namespace {

constexpr std::size_t kBuf = 256;

TEST(IniFileTest, ReadsValueOrDefault) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    WriteFileBytes(path,
                   "; comment\n[PageSetting]\nLanguage = 1\nEmpty=\n[DebugPage]\nKEY=a=b;c\n");
    struct Case {
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"PageSetting", "Language", "1"},    // spaces around '=' tolerated
        {"pagesetting", "LANGUAGE", "1"},    // names case-insensitive
        {"PageSetting", "Empty", ""},        // present but empty is not the default
        {"DebugPage", "key", "a=b;c"},       // '=' and ';' inside the value
        {"PageSetting", "Missing", "dflt"},  // key missing
        {"NoSection", "Language", "dflt"},   // section missing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniFile::ReadString(path, c.section, c.key, "dflt", kBuf), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(IniFile::ReadString(dir.file("none.ini"), "PageSetting", "Language", "dflt", kBuf),
              "dflt");
    // A folder in place of the file reads as missing.
    EXPECT_EQ(IniFile::ReadString(dir.path(), "PageSetting", "Language", "dflt", kBuf), "dflt");
}

TEST(IniFileTest, ValueAndDefaultCutToBufferSizeMinusOne) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    // "a" + U+4E2D U+6587 (3 bytes each) = 7 bytes
    WriteFileBytes(path, "[S]\nK=a\xE4\xB8\xAD\xE6\x96\x87\n");
    struct Case {
        std::size_t bufferSize;
        std::string expected;
    };
    const Case cases[] = {
        {0, ""},
        {1, ""},
        {2, "a"},
        {4, "a"},  // 3 bytes would split U+4E2D
        {5, "a\xE4\xB8\xAD"},
        {7, "a\xE4\xB8\xAD"},
        {8, "a\xE4\xB8\xAD\xE6\x96\x87"},
        {100, "a\xE4\xB8\xAD\xE6\x96\x87"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniFile::ReadString(path, "S", "K", "", c.bufferSize), c.expected)
            << c.bufferSize;
    }
    EXPECT_EQ(IniFile::ReadString(path, "S", "Missing", "default", 4), "def");
}

TEST(IniFileTest, WriteCreatesFileInKeyEqualsValueForm) {
    TempDir dir;
    std::string path = dir.file("new.ini");
    ASSERT_TRUE(IniFile::WriteString(path, "NetConfigSetting", "SSID", "ward 5"));
    EXPECT_EQ(ReadFileText(path), "[NetConfigSetting]\nSSID=ward 5\n");
    EXPECT_EQ(IniFile::ReadString(path, "NetConfigSetting", "SSID", "", kBuf), "ward 5");
    // Only the settings file is left in the folder: no temporary file remains.
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"new.ini"});
}

TEST(IniFileTest, WriteKeepsOtherSectionsKeysAndOrder) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    WriteFileBytes(path, "[A]\nx=1\nKEY=old\ny=2\n\n[B]\nz=3\n");
    ASSERT_TRUE(IniFile::WriteString(path, "a", "Key", "new"));  // updates, not a second key
    ASSERT_TRUE(IniFile::WriteString(path, "B", "w", "4"));      // appended to its section
    ASSERT_TRUE(IniFile::WriteString(path, "C", "v", "5"));      // new section at the end
    EXPECT_EQ(ReadFileText(path), "[A]\nx=1\nKEY=new\ny=2\n\n\n[B]\nz=3\nw=4\n\n\n[C]\nv=5\n");
    EXPECT_EQ(IniFile::ReadString(path, "A", "key", "", kBuf), "new");
    EXPECT_EQ(IniFile::ReadString(path, "A", "y", "", kBuf), "2");
    EXPECT_EQ(IniFile::ReadString(path, "B", "z", "", kBuf), "3");
}

TEST(IniFileTest, ValueWithSeparatorsRoundTrips) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    for (const std::string value : {"a=b", "pass;word", "#x", "[y]", "\xE4\xB8\xAD"}) {
        ASSERT_TRUE(IniFile::WriteString(path, "S", "K", value)) << value;
        EXPECT_EQ(IniFile::ReadString(path, "S", "K", "", kBuf), value);
    }
}

TEST(IniFileTest, RefusesWritesThatWouldCorruptTheFile) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    WriteFileBytes(path, "[S]\nK=1\n");
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"S", "K", "1\n[Evil]\nX=2"},
        {"S", "K", "a\rb"},
        {"S", "K=", "1"},
        {"S]", "K", "1"},
        {"", "K", "1"},
        {"S", "", "1"},
        {"S", ";K", "1"},
        {"S", "K", "\xD6\xD0"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(IniFile::WriteString(path, c.section, c.key, c.value)) << c.value;
    }
    EXPECT_EQ(ReadFileText(path), "[S]\nK=1\n");
}

TEST(IniFileTest, Gb18030FileLoadsAndIsWrittenBackAsUtf8) {
    if (!LegacyCodePageIsChinese()) {
        GTEST_SKIP() << kNotChineseCodePage;
    }
    TempDir dir;
    std::string path = dir.file("net.ini");
    WriteFileBytes(path, "[NetConfigSetting]\r\nSSID=\xD6\xD0\xCE\xC4\r\nKey=1\r\n");
    EXPECT_EQ(IniFile::ReadString(path, "NetConfigSetting", "SSID", "", kBuf),
              "\xE4\xB8\xAD\xE6\x96\x87");
    ASSERT_TRUE(IniFile::WriteString(path, "NetConfigSetting", "Key", "2"));
    EXPECT_EQ(ReadFileText(path), "[NetConfigSetting]\nSSID=\xE4\xB8\xAD\xE6\x96\x87\nKey=2\n");
}

TEST(IniFileTest, Utf8BomIsTolerated) {
    TempDir dir;
    std::string path = dir.file("bom.ini");
    WriteFileBytes(path, "\xEF\xBB\xBF[S]\nK=\xE4\xB8\xAD\n");
    EXPECT_EQ(IniFile::ReadString(path, "S", "K", "", kBuf), "\xE4\xB8\xAD");
    ASSERT_TRUE(IniFile::WriteString(path, "S", "L", "1"));
    EXPECT_EQ(ReadFileText(path), "[S]\nK=\xE4\xB8\xAD\nL=1\n");
}

// Settings files damaged the ways a copied or half-synced file gets damaged read as files without
// the pages' sections, so the pages load their defaults; they can still be written.
TEST(IniFileTest, DamagedFilesReadAsDefaults) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 131 + 7) & 0xFF);
    }
    const std::pair<const char*, std::string> cases[] = {
        {"binary", binary + std::string("\0\xFF\xFE[", 4)},
        {"truncated in the section name", "[NetConfigSett"},
        {"truncated AP section name", "[APSett"},
        {"only a bracket", "["},
        {"nul bytes", std::string("\0\0[\0]\0=\0", 9)},
        {"bad utf-8 without sections", "\xff\xfe\xc3(\xe2\x82\n=\n==\n"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.file("damaged.ini");
        WriteFileBytes(path, bytes);
        for (const char* section : {"NetConfigSetting", "APSetting"}) {
            EXPECT_EQ(IniFile::ReadString(path, section, "SSID", "dflt", kBuf), "dflt");
        }
        ASSERT_TRUE(IniFile::WriteString(path, "NetConfigSetting", "SSID", "x"));
        EXPECT_EQ(IniFile::ReadString(path, "NetConfigSetting", "SSID", "dflt", kBuf), "x");
    }
}

TEST(IniFileTest, WriteOverAFolderFails) {
    TempDir dir;
    // A folder where the file should be is not replaced.
    std::filesystem::create_directory(PathFromUtf8(dir.file("d.ini")));
    EXPECT_FALSE(IniFile::WriteString(dir.file("d.ini"), "S", "K", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(dir.file("d.ini"))));
}

TEST(IniFileTest, WriteIntoMissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(IniFile::WriteString(dir.file("no/such/s.ini"), "S", "K", "1"));
}

// Values read as the Windows private-profile functions read them (quotes, duplicates, blanks).
TEST(IniFileTest, ReadsAsWindowsReads) {
    TempDir dir;
    for (const IniReadCase& c : kIniReadCases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("case.ini");
        WriteFileBytes(path, c.file);
        EXPECT_EQ(IniFile::ReadString(path, c.section, c.key, kIniMissing, kBuf), c.expected);
    }
}

// Values the reader would change are stored so that they read back as written.
TEST(IniFileTest, QuotedAndBlankEdgedValuesRoundTrip) {
    TempDir dir;
    const std::string path = dir.file("q.ini");
    for (const std::string value :
         {" lead", "trail\t", "\"both\"", "'single'", "\"", "'x\"", "\"\""}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(IniFile::WriteString(path, "S", "K", value));
        EXPECT_EQ(IniFile::ReadString(path, "S", "K", "", kBuf), value);
    }
}

TEST(IniFileTest, ConcurrentWritersLoseNoKey) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    constexpr int kThreads = 4;
    constexpr int kKeys = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kKeys; ++k) {
                IniFile::WriteString(path, "S", "k" + std::to_string(t) + "_" + std::to_string(k),
                                     std::to_string(k));
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(IniFile::ReadString(
                          path, "S", "k" + std::to_string(t) + "_" + std::to_string(k), "", kBuf),
                      std::to_string(k));
        }
    }
}

}  // namespace
