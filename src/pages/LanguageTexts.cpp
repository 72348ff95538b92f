#include "pages/LanguageTexts.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <utility>

#include "foundation/IniFile.h"
#include "foundation/UserMessages.h"
#include "platform/UserFolders.h"
#include "platform/Utf8Path.h"

namespace {

constexpr char kConfigSection[] = "LanguageConfig";
constexpr char kConfigKey[] = "LanguageID";
constexpr char kTextSection[] = "LanguageStr";

// The shipped English wording of the texts a language file may lack (translations made before
// these texts existed), from kLanguageRequiredTextCount on. Keep it as EnglishLanguage.ini has
// it.
constexpr const char* kFallbackTexts[] = {
    /* 83 */ "An upgrade is running. Closing the tool ends it for every monitor. Close anyway?",
    /* 84 */ "Starting...",
    /* 85 */ "These upgrade files are refused and will not be served:",
    /* 86 */ "no .md5 companion file",
    /* 87 */ "the .md5 companion cannot be read or holds no MD5 digest",
    /* 88 */ "its MD5 does not match the .md5 companion",
    /* 89 */ "the file cannot be read or is empty",
    /* 90 */ "too large (at most 65535 pieces of 512 bytes)",
    /* 91 */ "No upgrade file can be served. The upgrade is not started.",
    /* 92 */ "The upgrade folder does not exist or cannot be read.",
    /* 93 */ "Checking the upgrade files...",
    /* 94 */
    "These files have no .md5 companion and are not part of the firmware set; they are ignored:",
    /* 95 */ "The upgrade is not started: every file of the firmware set must pass its check.",
    /* 96 */
    // one text in two pieces: the parentheses tell the compiler the join is meant
    ("An order sent to a monitor still waits for its acknowledgement. Closing the tool now may "
     "leave the monitor half configured. Close anyway?"),
    /* 97 */
    "Starting the access point needs administrator rights. Restart Zr40Tool as administrator?",
    /* 98 */ "The access point was not started. This step failed:",
    /* 99 */ "Debug command:",
    /* 100 */ "Command filter:",
    /* 101 */ "Send",
    /* 102 */ "Confirm",
    /* 103 */ "Clear",
    /* 104 */ "Pause",
    /* 105 */ "Resume",
    /* 106 */ "Save file",
    /* 107 */ "Stop saving",
    /* 108 */ "Select the upgrade folder",
    /* 109 */ "Auto",
    /* 110 */ "Bed No.",
    /* 111 */ "Name",
    /* 112 */ "Software Version",
    /* 113 */ "Time",
    /* 114 */ "Direction",
    /* 115 */ "Length",
    /* 116 */ "Command",
    /* 117 */ "Serial",
    /* 118 */ "Checksum",
    /* 119 */ "Body",
    /* 120 */ "Export inventory…",
    /* 121 */
    ("The service record cannot be written to this folder; its lines are kept in memory "
     "and written when the folder can be written again:"),
    /* 122 */ "The inventory cannot be written to:",
};
static_assert(std::size(kFallbackTexts) == kLanguageTextCount - kLanguageRequiredTextCount,
              "every optional text needs its fallback");

// Leading decimal integer as the C library reads it: blanks, sign, digits; 0 when there are
// none. Out-of-range values saturate instead of overflowing.
int LeadingInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    value = negative ? -value : value;
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

std::string ReadLanguageId(const std::string& path) {
    return IniFile::ReadString(path, kConfigSection, kConfigKey, "", kLanguageTextBufferSize);
}

bool HoldsLanguageFiles(const std::filesystem::path& dir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(dir / kChineseLanguageFile, ec) &&
           std::filesystem::is_regular_file(dir / kEnglishLanguageFile, ec);
}

}  // namespace

LanguageTexts::LanguageTexts(std::string folder, std::string userConfigPath)
    : folder_(std::move(folder)), userConfigPath_(std::move(userConfigPath)) {}

std::string LanguageTexts::FolderFile(const char* name) const {
    return Utf8FromPath(PathFromUtf8(folder_) / name);
}

bool LanguageTexts::LoadLanguage() {
    std::string idText;
    if (!userConfigPath_.empty()) {
        idText = ReadLanguageId(userConfigPath_);
    }
    if (idText.empty()) {
        idText = ReadLanguageId(FolderFile(kLanguageConfigFile));
    }
    int id = LeadingInt(idText);
    language_.store(id >= 0 && id <= 2 ? id : kLanguageEnglish);

    return LoadLanguageFile(kChineseLanguageFile, chinese_) &&
           LoadLanguageFile(kEnglishLanguageFile, english_);
}

bool LanguageTexts::LoadLanguageFile(const std::string& fileName, Table& table) const {
    const std::string path = FolderFile(fileName.c_str());
    for (int index = 0; index < kLanguageTextCount; ++index) {
        std::string value = IniFile::ReadString(path, kTextSection, std::to_string(index), "",
                                                kLanguageTextBufferSize);
        if (value.empty()) {
            if (index < kLanguageRequiredTextCount) {
                return false;
            }
            value = FallbackLanguageText(index);
        }
        table[static_cast<std::size_t>(index)] = std::move(value);
    }
    return true;
}

std::string LanguageTexts::LanguageText(int index) const {
    if (index < 0 || index >= kLanguageTextCount) {
        return std::string();
    }
    const Table& table = language_.load() == kLanguageChinese ? chinese_ : english_;
    return table[static_cast<std::size_t>(index)];
}

bool LanguageTexts::StoreLanguage(int id) const {
    const std::string value = std::to_string(id);
    // an installed copy's folder may be writable (an elevated run), but is not the user's
    const bool stored =
        !IsProtectedFolder(folder_) &&
        IniFile::WriteString(FolderFile(kLanguageConfigFile), kConfigSection, kConfigKey, value);
    if (userConfigPath_.empty()) {
        return stored;
    }
    // The user's file is read first, so once it exists it must follow every change; it is
    // started only when the folder's file cannot be written.
    std::error_code ec;
    if (stored && !std::filesystem::exists(PathFromUtf8(userConfigPath_), ec)) {
        return true;
    }
    std::filesystem::path parent = PathFromUtf8(userConfigPath_).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    return IniFile::WriteString(userConfigPath_, kConfigSection, kConfigKey, value) || stored;
}

void LanguageTexts::SetLanguage(int id) {
    if (id == language_.load()) {
        return;
    }
    language_.store(id);
    // A failed write only loses the choice for the next start; the language still changes.
    StoreLanguage(id);
    UserMessage message;
    message.id = WM_LANGUAGE_CHANGED;
    message.value = id;
    PostUserMessage(std::move(message));
}

const char* FallbackLanguageText(int index) {
    if (index < kLanguageRequiredTextCount || index >= kLanguageTextCount) {
        return "";
    }
    return kFallbackTexts[index - kLanguageRequiredTextCount];
}

LanguageTexts& GetLanguageTexts() {
    static LanguageTexts texts;
    return texts;
}

std::string LanguageText(int index) {
    return GetLanguageTexts().LanguageText(index);
}

std::string LanguageText(TextId id) {
    return LanguageText(TextNumber(id));
}

std::string FindLanguageFolder(const std::string& exeDir, const std::string& dataDir) {
    // beside the program first: whoever can write a shared working folder must not supply the
    // texts an installed copy shows
    const std::filesystem::path local("language");
    for (const std::string& base : {exeDir, std::string("."), dataDir}) {
        if (base.empty()) {
            continue;
        }
        const std::filesystem::path candidate =
            base == "." ? local : PathFromUtf8(base) / "language";
        if (HoldsLanguageFiles(candidate)) {
            return Utf8FromPath(candidate);
        }
    }
    return Utf8FromPath(local);
}

std::string DefaultUserLanguageConfigPath() {
    const std::string folder = UserConfigFolder();
    return folder.empty() ? std::string()
                          : Utf8FromPath(PathFromUtf8(folder) / kLanguageConfigFile);
}
