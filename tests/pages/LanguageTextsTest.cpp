#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "LanguageFolder.h"
#include "QueuedUiThread.h"
#include "RecordingMessageSink.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "foundation/UiThread.h"
#include "foundation/UserMessages.h"
#include "pages/LanguageTexts.h"
#include "platform/Utf8Path.h"

namespace {

namespace fs = std::filesystem;

// Replaces the line of one key ("82=...") by `replacement`.
std::string ReplaceKeyLine(const std::string& text, int key, const std::string& replacement) {
    std::string start = "\n" + std::to_string(key) + "=";
    std::size_t at = text.find(start);
    if (at == std::string::npos) {
        return text;
    }
    std::size_t end = text.find('\n', at + 1);
    return text.substr(0, at + 1) + replacement + text.substr(end);
}

TEST(LanguageTextsTest, ShippedFilesHoldAllTextsInBothLanguages) {
    LanguageFolder folder;
    LanguageTexts texts(folder.path());
    ASSERT_TRUE(texts.LoadLanguage());
    // Each file itself, not through the fallback: a missing Chinese text would read English.
    for (const char* file : {kChineseLanguageFile, kEnglishLanguageFile}) {
        for (int i = 0; i < kLanguageTextCount; ++i) {
            const std::string value =
                IniFile::ReadString(folder.file(file), "LanguageStr", std::to_string(i), "", 256);
            EXPECT_FALSE(value.empty()) << file << " text " << i;
            EXPECT_LE(value.size(), 255u) << file << " text " << i;
        }
        EXPECT_EQ(IniFile::ReadString(folder.file(file), "LanguageStr",
                                      std::to_string(kLanguageTextCount), "", 256),
                  "")
            << file << " holds a text the program does not know";
    }
    for (int id : {kLanguageChinese, kLanguageEnglish}) {
        folder.SetId(std::to_string(id));
        LanguageTexts loaded(folder.path());
        ASSERT_TRUE(loaded.LoadLanguage()) << id;
        ASSERT_EQ(loaded.GetLanguage(), id);
        EXPECT_EQ(loaded.LanguageText(kLanguageTextCount), "");
        EXPECT_EQ(loaded.LanguageText(-1), "");
    }
    // The fallback is the shipped English wording, word for word.
    folder.SetId("2");
    LanguageTexts english(folder.path());
    ASSERT_TRUE(english.LoadLanguage());
    for (int i = kLanguageRequiredTextCount; i < kLanguageTextCount; ++i) {
        EXPECT_EQ(english.LanguageText(i), FallbackLanguageText(i)) << "text " << i;
    }
    for (int i : {-1, 0, kLanguageRequiredTextCount - 1, kLanguageTextCount}) {
        EXPECT_STREQ(FallbackLanguageText(i), "") << i;
    }
    LanguageTexts chinese(folder.path());
    folder.SetId("1");
    ASSERT_TRUE(chinese.LoadLanguage());
    EXPECT_EQ(chinese.LanguageText(51), "启动升级服务器");
    EXPECT_EQ(chinese.LanguageText(65), "语言设置");
    EXPECT_EQ(chinese.LanguageText(108), "选择升级文件");
}

// The texts of a translation made when the files held texts 0 to 82 only.
std::string FieldTranslation(const std::string& shipped) {
    return shipped.substr(0, shipped.find("\n83=") + 1);
}

TEST(LanguageTextsTest, FilesWithTheRequiredTextsOnlyLoadWithTheEnglishFallback) {
    LanguageFolder folder;
    for (const char* file : {kChineseLanguageFile, kEnglishLanguageFile}) {
        folder.Write(file, FieldTranslation(folder.Text(file)));
    }
    folder.SetId("1");
    LanguageTexts texts(folder.path());
    ASSERT_TRUE(texts.LoadLanguage());
    EXPECT_EQ(texts.LanguageText(3), "升级");
    EXPECT_EQ(texts.LanguageText(82).rfind("设置参数无效", 0), 0u);
    EXPECT_EQ(texts.LanguageText(101), "Send");
    EXPECT_EQ(texts.LanguageText(83), FallbackLanguageText(83));
    EXPECT_EQ(texts.LanguageText(119), "Body");
    texts.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(texts.LanguageText(3), "Upgrade");
    EXPECT_EQ(texts.LanguageText(109), "Auto");
}

TEST(LanguageTextsTest, LanguageIdChoosesTheTable) {
    struct Case {
        const char* config;  // nullptr: no LanguageConfig.ini at all
        int id;
    };
    for (Case c :
         {Case{"1", 1}, Case{"0", 0}, Case{"2", 2}, Case{"7", 2}, Case{"-1", 2}, Case{"", 0},
          Case{"abc", 0}, Case{" 1x", 1}, Case{"99999999999", 2}, Case{nullptr, 0}}) {
        LanguageFolder folder;
        if (c.config == nullptr) {
            fs::remove(folder.file(kLanguageConfigFile));
        } else {
            folder.SetId(c.config);
        }
        LanguageTexts texts(folder.path());
        ASSERT_TRUE(texts.LoadLanguage()) << (c.config ? c.config : "none");
        EXPECT_EQ(texts.GetLanguage(), c.id) << (c.config ? c.config : "none");
        EXPECT_EQ(texts.LanguageText(3), c.id == 1 ? "升级" : "Upgrade")
            << (c.config ? c.config : "none");
    }
}

TEST(LanguageTextsTest, EveryKeyMustBePresentAndNonEmptyInBothFiles) {
    struct Case {
        int key;
        std::string line;  // replaces the key's line
    };
    std::vector<Case> cases = {{82, "82="}, {82, "; 82 removed"}, {0, "0="}, {41, "x41=ECG"}};
    for (const char* file : {kChineseLanguageFile, kEnglishLanguageFile}) {
        for (const Case& c : cases) {
            for (const char* chosen : {"1", "2"}) {
                LanguageFolder folder;
                folder.SetId(chosen);
                std::string text = folder.Text(file);
                std::string changed = ReplaceKeyLine(text, c.key, c.line);
                ASSERT_NE(changed, text) << file << " " << c.line;
                folder.Write(file, changed);
                LanguageTexts texts(folder.path());
                EXPECT_FALSE(texts.LoadLanguage()) << file << " " << c.line << " id " << chosen;
            }
        }
        LanguageFolder folder;
        fs::remove(folder.file(file));
        LanguageTexts texts(folder.path());
        EXPECT_FALSE(texts.LoadLanguage()) << file << " missing";
    }
    LanguageTexts missingFolder("/nonexistent/zr40/language");
    EXPECT_FALSE(missingFolder.LoadLanguage());

    // From text 83 on a missing or empty key reads as the English wording; a text the file
    // does hold wins, in either language.
    struct Optional {
        int key;
        std::string line;
        std::string chinese;  // what the Chinese table answers
    };
    for (const Optional& c : std::vector<Optional>{{83, "83=", FallbackLanguageText(83)},
                                                   {101, "; 101 removed", "Send"},
                                                   {119, "119=", "Body"},
                                                   {104, "104=暂停", "暂停"}}) {
        LanguageFolder folder;
        folder.SetId("1");
        const std::string text = folder.Text(kChineseLanguageFile);
        const std::string changed = ReplaceKeyLine(text, c.key, c.line);
        ASSERT_NE(changed, text) << c.line;
        folder.Write(kChineseLanguageFile, changed);
        LanguageTexts texts(folder.path());
        ASSERT_TRUE(texts.LoadLanguage()) << c.line;
        EXPECT_EQ(texts.LanguageText(c.key), c.chinese) << c.line;
    }
}

TEST(LanguageTextsTest, TruncatedOrBinaryFilesFailCleanly) {
    LanguageFolder folder;
    std::string english = folder.Text(kEnglishLanguageFile);
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    }
    for (const std::string& bytes :
         {english.substr(0, english.size() / 2), binary, std::string("\0\0\0", 3), std::string()}) {
        folder.Write(kEnglishLanguageFile, bytes);
        LanguageTexts texts(folder.path());
        EXPECT_FALSE(texts.LoadLanguage()) << bytes.size();
        EXPECT_EQ(texts.LanguageText(90), "");
    }
}

TEST(LanguageTextsTest, Gb18030FileLoadsAsUtf8) {
    LanguageFolder folder;
    // 升级 and 中文 in GB18030, which is not valid UTF-8.
    std::string chinese = "[LanguageStr]\r\n";
    for (int i = 0; i < kLanguageTextCount; ++i) {
        chinese +=
            std::to_string(i) + "=" + (i == 3 ? "\xC9\xFD\xBC\xB6" : "\xD6\xD0\xCE\xC4") + "\r\n";
    }
    folder.Write(kChineseLanguageFile, chinese);
    folder.SetId("1");
    LanguageTexts texts(folder.path());
    ASSERT_TRUE(texts.LoadLanguage());
    EXPECT_EQ(texts.LanguageText(3), "升级");
    EXPECT_EQ(texts.LanguageText(82), "中文");
}

TEST(LanguageTextsTest, SetLanguageStoresAndPostsOnlyOnChange) {
    QueuedUiThread ui(QueuedUiThread::Scope::ProcessWide);
    RecordingMessageSink sink;
    LanguageFolder folder;
    folder.SetId("2");
    LanguageTexts texts(folder.path());
    ASSERT_TRUE(texts.LoadLanguage());
    const std::string before = folder.Text(kLanguageConfigFile);

    texts.SetLanguage(2);
    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_EQ(folder.Text(kLanguageConfigFile), before);

    texts.SetLanguage(1);
    ASSERT_EQ(ui.RunPending(), 1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].id, WM_LANGUAGE_CHANGED);
    EXPECT_EQ(sink.messages[0].value, 1);
    EXPECT_EQ(texts.LanguageText(0), "接入点");
    EXPECT_EQ(IniFile::ReadString(folder.file(kLanguageConfigFile), "LanguageConfig", "LanguageID",
                                  "", 256),
              "1");

    // The next start uses the stored choice.
    LanguageTexts next(folder.path());
    ASSERT_TRUE(next.LoadLanguage());
    EXPECT_EQ(next.GetLanguage(), 1);

    // 0 and 2 both show English, but they are different ids.
    texts.SetLanguage(0);
    texts.SetLanguage(0);
    EXPECT_EQ(ui.Pending(), 1);
    EXPECT_EQ(texts.LanguageText(0), "Access Point");
}

TEST(LanguageTextsTest, UserConfigKeepsTheChoiceWhenTheFolderCannotBeWritten) {
    QueuedUiThread ui(QueuedUiThread::Scope::ProcessWide);
    LanguageFolder folder;
    TempDir home;
    const std::string user = home.file("config/zr40tool/LanguageConfig.ini");
    // A folder entry in place of the file: no process, however privileged, can write it.
    fs::remove(folder.file(kLanguageConfigFile));
    fs::create_directory(folder.file(kLanguageConfigFile));

    LanguageTexts texts(folder.path(), user);
    ASSERT_TRUE(texts.LoadLanguage());
    EXPECT_EQ(texts.GetLanguage(), 0);
    texts.SetLanguage(1);
    EXPECT_EQ(ui.Pending(), 1);
    EXPECT_EQ(IniFile::ReadString(user, "LanguageConfig", "LanguageID", "", 256), "1");

    LanguageTexts next(folder.path(), user);
    ASSERT_TRUE(next.LoadLanguage());
    EXPECT_EQ(next.GetLanguage(), 1);

    // Once it exists the user's file wins and follows every change, even a writable folder's.
    fs::remove(folder.file(kLanguageConfigFile));
    folder.SetId("2");
    LanguageTexts writable(folder.path(), user);
    ASSERT_TRUE(writable.LoadLanguage());
    EXPECT_EQ(writable.GetLanguage(), 1);
    writable.SetLanguage(2);
    EXPECT_EQ(IniFile::ReadString(user, "LanguageConfig", "LanguageID", "", 256), "2");
    EXPECT_EQ(IniFile::ReadString(folder.file(kLanguageConfigFile), "LanguageConfig", "LanguageID",
                                  "", 256),
              "2");

    // Without a user file, a writable folder's choice is not copied anywhere else.
    TempDir otherHome;
    const std::string unused = otherHome.file("zr40tool/LanguageConfig.ini");
    LanguageTexts plain(folder.path(), unused);
    ASSERT_TRUE(plain.LoadLanguage());
    plain.SetLanguage(1);
    EXPECT_FALSE(fs::exists(unused));
}

// Restores the working directory on exit.
class ScopedCurrentDir {
  public:
    explicit ScopedCurrentDir(const std::string& dir) : previous_(fs::current_path()) {
        fs::current_path(dir);
    }
    ~ScopedCurrentDir() {
        std::error_code ec;
        fs::current_path(previous_, ec);
    }

  private:
    fs::path previous_;
};

TEST(LanguageTextsTest, FindsTheFolderBesideTheExecutableThenCurrentThenDataDir) {
    TempDir cwd, exe, data;
    ScopedCurrentDir inside(cwd.path());
    auto copyTo = [](const std::string& base) { CopyShippedLanguage(base + "/language"); };
    // as the system writes it: Windows joins with a backslash
    auto under = [](const std::string& base) {
        return Utf8FromPath(PathFromUtf8(base) / "language");
    };
    EXPECT_EQ(FindLanguageFolder(exe.path(), data.path()), "language");
    copyTo(data.path());
    EXPECT_EQ(FindLanguageFolder(exe.path(), data.path()), under(data.path()));
    EXPECT_EQ(FindLanguageFolder("", data.path()), under(data.path()));
    // A folder without both language files does not count.
    fs::create_directories(PathFromUtf8(under(exe.path())));
    WriteFileBytes(exe.path() + "/language/EnglishLanguage.ini", "[LanguageStr]\n0=x\n");
    EXPECT_EQ(FindLanguageFolder(exe.path(), data.path()), under(data.path()));
    copyTo(cwd.path());
    EXPECT_EQ(FindLanguageFolder(exe.path(), data.path()), "language");
    fs::remove_all(PathFromUtf8(under(exe.path())));
    copyTo(exe.path());
    // the working directory's texts never take the place of the program's own
    EXPECT_EQ(FindLanguageFolder(exe.path(), data.path()), under(exe.path()));
    LanguageTexts texts(FindLanguageFolder(exe.path(), data.path()));
    EXPECT_TRUE(texts.LoadLanguage());
}

}  // namespace
