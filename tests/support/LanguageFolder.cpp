#include "LanguageFolder.h"

#include <filesystem>

#include "pages/LanguageTexts.h"
#include "platform/Utf8Path.h"

void CopyShippedLanguage(const std::string& folder) {
    namespace fs = std::filesystem;
    fs::create_directories(PathFromUtf8(folder));
    fs::copy(fs::path(ZR40_SOURCE_DIR) / "lang" / "language", PathFromUtf8(folder),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

LanguageFolder::LanguageFolder() : path_(dir_.file("language")) {
    CopyShippedLanguage(path_);
}

void LanguageFolder::SetId(const std::string& value) const {
    Write(kLanguageConfigFile, "[LanguageConfig]\nLanguageID=" + value + "\n");
}
