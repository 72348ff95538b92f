#pragma once
// The 123 numbered texts that tabs, list headings, pages, message boxes and the debug console
// show. A Chinese and an English table are loaded once at start from the language folder; the
// current language id decides which one answers. Texts are UTF-8, at most 255 bytes each.
// Every language file must hold texts 0 to 82, as the translations in the field do; a later
// text that a file lacks, or leaves empty, reads as its shipped English wording.
#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

#include "foundation/TextId.h"

inline constexpr int kLanguageTextCount = 123;
static_assert(kTextIdCount == kLanguageTextCount, "every text has its name");
// Texts 0 to kLanguageRequiredTextCount - 1 must be in every language file.
inline constexpr int kLanguageRequiredTextCount = 83;
// Each text is read through a buffer of this size, so it keeps at most 255 bytes.
inline constexpr std::size_t kLanguageTextBufferSize = 256;
inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;

inline constexpr char kLanguageConfigFile[] = "LanguageConfig.ini";
inline constexpr char kChineseLanguageFile[] = "ChineseLanguage.ini";
inline constexpr char kEnglishLanguageFile[] = "EnglishLanguage.ini";

class LanguageTexts {
  public:
    using Table = std::array<std::string, kLanguageTextCount>;

    // `folder` holds LanguageConfig.ini and the two language files. `userConfigPath`, when not
    // empty, is the user's own LanguageConfig.ini: read first when it holds a choice, and
    // written when the folder's file cannot or must not be (an installed copy's folder).
    explicit LanguageTexts(std::string folder = "language", std::string userConfigPath = "");

    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string& GetFolder() const { return folder_; }
    void SetUserConfigPath(std::string path) { userConfigPath_ = std::move(path); }

    // Reads the chosen language and fills both tables. False when either language file is
    // missing or lacks a non-empty value for any of its required keys.
    bool LoadLanguage();
    // Fills `table` from section LanguageStr of the file in the language folder; stops at the
    // first missing or empty required key (entries read so far stay). Later keys that are
    // missing or empty take FallbackLanguageText.
    bool LoadLanguageFile(const std::string& fileName, Table& table) const;

    // The text of the current language for 0..kLanguageTextCount - 1; "" for any other index.
    std::string LanguageText(int index) const;
    std::string LanguageText(TextId id) const { return LanguageText(TextNumber(id)); }

    // Switches to `id` (1 Chinese, any other English), stores it for the next start and posts
    // WM_LANGUAGE_CHANGED. Choosing the current id does nothing.
    void SetLanguage(int id);
    int GetLanguage() const { return language_.load(); }

  private:
    std::string FolderFile(const char* name) const;
    bool StoreLanguage(int id) const;

    std::string folder_;
    std::string userConfigPath_;
    Table chinese_;
    Table english_;
    std::atomic<int> language_{0};
};

// The shipped English wording of text `index` for the optional texts (from
// kLanguageRequiredTextCount on); "" for a required text or any other index.
const char* FallbackLanguageText(int index);

// The process-wide language texts (folder "language" in the current directory until set).
LanguageTexts& GetLanguageTexts();
// Text N of the process-wide tables.
std::string LanguageText(int index);
std::string LanguageText(TextId id);

// The language folder to use: "language" beside the executable, else in the current directory,
// else in the installed data folder, whichever first holds both language files; "language"
// when none does (loading then fails as for a missing folder). Empty dirs are skipped.
std::string FindLanguageFolder(const std::string& exeDir, const std::string& dataDir);
// Where the user's own language choice lives: LanguageConfig.ini in the user's configuration
// folder (platform/UserFolders.h); "" when the profile gives none.
std::string DefaultUserLanguageConfigPath();
