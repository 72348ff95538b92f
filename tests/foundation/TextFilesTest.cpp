// Text files in the two encodings they arrive in, and files under folders with Chinese names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "LanguageFolder.h"
#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/IniFile.h"
#include "foundation/UpgradeFileSet.h"
#include "pages/LanguageTexts.h"
#include "platform/Utf8Path.h"

namespace {

constexpr char kZhongWenUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
constexpr char kZhongWenGbk[] = "\xD6\xD0\xCE\xC4";

// A Chinese language file whose every text is 中文 followed by its number.
std::string ChineseTexts(const char* zhongWen) {
    std::string file = "[LanguageStr]\r\n";
    for (int i = 0; i < kLanguageTextCount; ++i) {
        file += std::to_string(i) + "=" + zhongWen + std::to_string(i) + "\r\n";
    }
    return file;
}

TEST(TextFilesTest, GbkAndUtf8LanguageFilesLoadAlike) {
    const struct {
        const char* encoding;
        const char* zhongWen;
    } cases[] = {{"UTF-8", kZhongWenUtf8}, {"GBK", kZhongWenGbk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        if (c.zhongWen == kZhongWenGbk && !LegacyCodePageIsChinese()) {
            GTEST_SKIP() << kNotChineseCodePage;
        }
        LanguageFolder folder;
        folder.Write(kChineseLanguageFile, ChineseTexts(c.zhongWen));
        folder.SetId("1");
        LanguageTexts texts(folder.path());
        ASSERT_TRUE(texts.LoadLanguage());
        EXPECT_EQ(texts.LanguageText(0), std::string(kZhongWenUtf8) + "0");
        EXPECT_EQ(texts.LanguageText(kLanguageTextCount - 1),
                  kZhongWenUtf8 + std::to_string(kLanguageTextCount - 1));
    }
}

// The language folder, a settings file and a firmware file all work under a Chinese folder name.
TEST(TextFilesTest, ChineseFolderNamesWork) {
    TempDir dir("\xE6\xB5\x8B\xE8\xAF\x95-");                         // 测试-
    const std::string folder = dir.file("\xE5\x8D\x87\xE7\xBA\xA7");  // 升级
    ASSERT_FALSE(dir.path().empty());
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));

    CopyShippedLanguage(folder + "/language");
    LanguageTexts texts(folder + "/language");
    EXPECT_TRUE(texts.LoadLanguage());
    EXPECT_FALSE(texts.LanguageText(0).empty());

    const std::string settings = folder + "/\xE8\xAE\xBE\xE7\xBD\xAE.ini";  // 设置.ini
    ASSERT_TRUE(IniFile::WriteString(settings, "S", "K", kZhongWenUtf8));
    EXPECT_EQ(IniFile::ReadString(settings, "S", "K", "", 256), kZhongWenUtf8);

    const std::string firmware = folder + "/\xE5\x9B\xBA\xE4\xBB\xB6";  // 固件
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(firmware)));
    WriteFirmware(firmware + "/\xE5\x9B\xBA\xE4\xBB\xB6.bin", std::string(1500, 'f'));
    UpgradeFileSet files;
    ASSERT_TRUE(files.LoadFolder(firmware));
    EXPECT_EQ(files.GetFileCount(), 1);
    EXPECT_EQ(files.GetServedFileCount(), 1);
    EXPECT_EQ(FolderEntries(folder).size(), 3u);  // language, 设置.ini, 固件
}

}  // namespace
